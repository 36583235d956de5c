// The request path of a server method: the server URL's path, then
// "/scanner?method=", the method name and its query parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dravanta {

// Everything outside the URL-unreserved characters (A-Z a-z 0-9 - . _ ~)
// as %XX of its bytes, so a value cannot add or break parameters.
std::string PercentEncodeQueryValue(std::string_view value);

// Escapes the bytes that may not stand in a request path (space, controls,
// non-ASCII, '"', '<', '>', '\\', '^', '`', '{', '|', '}', '#') and leaves
// everything else, including "/", "?", "&", "=" and "%", as it is.
std::string EscapeUnsafePathBytes(std::string_view path);

struct RequestPathParts {
  std::string server_path;          // the URL path, without leading "/"
  std::string method;               // "scan", "scanmultiple", "getengineinfo"
  std::optional<std::string> data;  // file path for "scan"
  std::optional<std::string> type;  // "signature" for "scanmultiple"
  std::optional<std::string> computer_name;
  std::optional<std::string> user_name;
};

// "/" + path + "/scanner?method=" + method + "&filename=" ... in the fixed
// order filename, client_computer_name, client_user_name, type. A URL
// without path gives "/scanner?method=...".
std::string BuildRequestPath(const RequestPathParts& parts);

// The part of a local path after its last path separator ("/", or "\\" on
// Windows; all of it when it has none).
std::string_view FileNamePart(std::string_view path);

}  // namespace dravanta
