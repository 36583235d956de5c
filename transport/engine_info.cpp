#include "transport/engine_info.h"

#include <pugixml.hpp>
#include <string>

namespace dravanta {

std::size_t CountEngines(std::u16string_view document) {
  // The answer holds one code unit per byte: narrow it back to the bytes.
  std::string bytes;
  bytes.reserve(document.size());
  for (char16_t unit : document) bytes.push_back(static_cast<char>(unit & 0xFF));
  pugi::xml_document parsed;
  if (!parsed.load_buffer(bytes.data(), bytes.size())) return 0;
  return parsed.select_nodes("/method_response/engines/engine").size();
}

}  // namespace dravanta
