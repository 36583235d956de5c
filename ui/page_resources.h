// The page and its assets, compiled into the program from ui/page/.
#pragma once

#include <cstddef>
#include <string_view>

namespace dravanta {

struct PageResource {
  std::string_view name;         // resource name, e.g. "JS_MAIN"; the page is "104"
  std::string_view contentType;  // from the file's extension
  std::string_view bytes;
};

// The resource of that name, or nullptr.
const PageResource* FindPageResource(std::string_view name);

// Every compiled-in resource.
size_t PageResourceCount();
const PageResource& PageResourceAt(size_t index);

}  // namespace dravanta
