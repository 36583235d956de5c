#include "transport/request_path.h"

#include "platform/path_separator.h"

namespace dravanta {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string* out, unsigned char byte) {
  out->push_back('%');
  out->push_back(kHex[byte >> 4]);
  out->push_back(kHex[byte & 0xF]);
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string PercentEncodeQueryValue(std::string_view value) {
  std::string encoded;
  encoded.reserve(value.size());
  for (unsigned char c : value) {
    if (IsUnreserved(c)) {
      encoded.push_back(static_cast<char>(c));
    } else {
      AppendEscaped(&encoded, c);
    }
  }
  return encoded;
}

std::string EscapeUnsafePathBytes(std::string_view path) {
  std::string escaped;
  escaped.reserve(path.size());
  for (unsigned char c : path) {
    bool unsafe = c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' ||
                  c == '^' || c == '`' || c == '{' || c == '|' || c == '}' || c == '#';
    if (unsafe) {
      AppendEscaped(&escaped, c);
    } else {
      escaped.push_back(static_cast<char>(c));
    }
  }
  return escaped;
}

std::string_view FileNamePart(std::string_view path) {
  size_t slash = path.rfind(static_cast<char>(kPathSeparator));
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string BuildRequestPath(const RequestPathParts& parts) {
  std::string path = "/";
  if (!parts.server_path.empty()) path += EscapeUnsafePathBytes(parts.server_path) + "/";
  path += "scanner?method=" + parts.method;
  if (parts.method == "scan" && parts.data && !parts.data->empty()) {
    std::string_view name = FileNamePart(*parts.data);
    if (!name.empty()) path += "&filename=" + PercentEncodeQueryValue(name);
  }
  if (parts.computer_name) {
    path += "&client_computer_name=" + PercentEncodeQueryValue(*parts.computer_name);
  }
  if (parts.user_name) path += "&client_user_name=" + PercentEncodeQueryValue(*parts.user_name);
  if (parts.method == "scanmultiple" && parts.type) path += "&type=" + *parts.type;
  return path;
}

}  // namespace dravanta
