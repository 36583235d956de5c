#include "transport/request_path.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/path_separator.h"

namespace dravanta {
namespace {

// A local path with the system's separator in place of each "/".
std::string LocalPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', static_cast<char>(kPathSeparator));
  return path;
}

TEST(RequestPathTest, ParametersInFixedOrderEachWhenItsConditionHolds) {
  struct Case {
    RequestPathParts parts;
    const char* expected;
  };
  const Case cases[] = {
      {{"dravanta_rest", "scan", LocalPath("/data/a.exe"), "file", "pc", "bob"},
       "/dravanta_rest/scanner?method=scan&filename=a.exe&client_computer_name=pc"
       "&client_user_name=bob"},
      {{"dravanta_rest", "scanmultiple", "A|B", "signature", "pc", "bob"},
       "/dravanta_rest/scanner?method=scanmultiple&client_computer_name=pc&client_user_name=bob"
       "&type=signature"},
      {{"", "getengineinfo", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
       "/scanner?method=getengineinfo"},
      // Without a "/" the whole data is the file name.
      {{"r", "scan", "a.exe", "file", std::nullopt, std::nullopt},
       "/r/scanner?method=scan&filename=a.exe"},
      // A path ending in "/" has an empty name: no filename parameter.
      {{"r", "scan", LocalPath("/data/"), "file", std::nullopt, std::nullopt},
       "/r/scanner?method=scan"},
      {{"r", "scan", "", "file", std::nullopt, "u"}, "/r/scanner?method=scan&client_user_name=u"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildRequestPath(c.parts), c.expected);
}

// Names with "&", "=", "?", "#", spaces or non-ASCII bytes cannot add or
// break parameters.
TEST(RequestPathTest, QueryValuesArePercentEncoded) {
  RequestPathParts parts{"r",    "scan",  LocalPath("/d/a&b=c?d#e f\xc3\xa9.exe"),
                         "file", "my pc", "o'neil&x=1"};
  EXPECT_EQ(BuildRequestPath(parts),
            "/r/scanner?method=scan&filename=a%26b%3Dc%3Fd%23e%20f%C3%A9.exe"
            "&client_computer_name=my%20pc&client_user_name=o%27neil%26x%3D1");
  EXPECT_EQ(PercentEncodeQueryValue("AZaz09-._~"), "AZaz09-._~");
}

TEST(RequestPathTest, UnsafeServerPathBytesAreEscapedOthersKept) {
  EXPECT_EQ(EscapeUnsafePathBytes("a b/c?d=e&f%20"), "a%20b/c?d=e&f%20");
  EXPECT_EQ(EscapeUnsafePathBytes("x#y\"<>"), "x%23y%22%3C%3E");
}

}  // namespace
}  // namespace dravanta
