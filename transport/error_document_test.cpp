#include "transport/error_document.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

std::string Document(const std::string& message) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>" + message + "</error>";
}

TEST(ErrorDocumentTest, FinishingReadsStatusErrorAndBody) {
  struct Case {
    std::string raw;
    TransportCode code;
    std::string text;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nA: b\r\n\r\n<r/>", TransportOk, "<r/>"},
      // An empty body gives the empty text, not the headers.
      {"HTTP/1.1 200 OK\r\nA: b\r\n\r\n", TransportOk, ""},
      {"HTTP/1.1 404 Not Found\r\nA: b\r\n\r\nmissing", TransportFailed,
       Document("HTTP/1.1 404 Not Found")},
      {"HTTP/1.1 302", TransportFailed, Document("302")},
      {"HTTP/1.1 200 OK\r\n\r\n<error>bad key</error>", TransportFailed, "<error>bad key</error>"},
      {"", TransportFailed, Document("Could not interpret HTTP response ''")},
      {"HTTP/1.1 20", TransportFailed, Document("Could not interpret HTTP response 'HTTP/1.1 20'")},
      // Garbage whose three characters after a space are no status.
      {"garbage text", TransportFailed,
       Document("Could not interpret HTTP response 'garbage text'")},
      {"HTTP/1.1 099 x\r\n\r\n", TransportFailed,
       Document("Could not interpret HTTP response 'HTTP/1.1 099 x\r\n\r\n'")},
      // The client's own error documents stay as they are.
      {Document("WinHttpConnect failed (0x00000007)"), TransportFailed,
       Document("WinHttpConnect failed (0x00000007)")},
  };
  for (const Case& c : cases) {
    std::string text = c.raw;
    EXPECT_EQ(FinishResponse(&text), c.code) << c.raw;
    EXPECT_EQ(text, c.text) << c.raw;
  }
}

TEST(ErrorDocumentTest, DocumentLongerThan511BytesBecomesEmpty) {
  std::string fits(511 - Document("").size(), 'x');
  EXPECT_EQ(MakeErrorDocument(fits).size(), 511u);
  EXPECT_EQ(MakeErrorDocument(fits + "x"), "");
}

TEST(ErrorDocumentTest, FormatsHexAsEightDigits) {
  EXPECT_EQ(FormatMessage("WinHttpSendRequest failed (0x%.8X)", 0xabcu),
            "WinHttpSendRequest failed (0x00000ABC)");
  EXPECT_EQ(FormatMessage("WinHttpSendRequest failed (0x%.8x)", 0xabcu),
            "WinHttpSendRequest failed (0x00000abc)");
}

}  // namespace
}  // namespace dravanta
