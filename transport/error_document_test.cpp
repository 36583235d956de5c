#include "transport/error_document.h"

#include <gtest/gtest.h>

#include "transport/testing/answer_text.h"

namespace dravanta {
namespace {

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
       ErrorDocumentText("HTTP/1.1 404 Not Found")},
      {"HTTP/1.1 302", TransportFailed, ErrorDocumentText("302")},
      {"HTTP/1.1 200 OK\r\n\r\n<error>bad key</error>", TransportFailed, "<error>bad key</error>"},
      {"", TransportFailed, ErrorDocumentText("Could not interpret HTTP response ''")},
      {"HTTP/1.1 20", TransportFailed,
       ErrorDocumentText("Could not interpret HTTP response 'HTTP/1.1 20'")},
      // Garbage whose three characters after a space are no status.
      {"garbage text", TransportFailed,
       ErrorDocumentText("Could not interpret HTTP response 'garbage text'")},
      {"HTTP/1.1 099 x\r\n\r\n", TransportFailed,
       ErrorDocumentText("Could not interpret HTTP response 'HTTP/1.1 099 x\r\n\r\n'")},
      // The client's own error documents stay as they are.
      {ErrorDocumentText("WinHttpConnect failed (0x00000007)"), TransportFailed,
       ErrorDocumentText("WinHttpConnect failed (0x00000007)")},
  };
  for (const Case& c : cases) {
    std::string text = c.raw;
    EXPECT_EQ(FinishResponse(&text), c.code) << c.raw;
    EXPECT_EQ(text, c.text) << c.raw;
  }
}

TEST(ErrorDocumentTest, DocumentLongerThan511BytesBecomesEmpty) {
  std::string fits(511 - ErrorDocumentText("").size(), 'x');
  EXPECT_EQ(MakeErrorDocument(fits).size(), 511u);
  EXPECT_EQ(MakeErrorDocument(fits + "x"), "");
}

TEST(ErrorDocumentTest, FormatsHexAsEightDigits) {
  EXPECT_EQ(FormatMessageText("WinHttpSendRequest failed (0x%.8X)", 0xabcu),
            "WinHttpSendRequest failed (0x00000ABC)");
  EXPECT_EQ(FormatMessageText("WinHttpSendRequest failed (0x%.8x)", 0xabcu),
            "WinHttpSendRequest failed (0x00000abc)");
}

}  // namespace
}  // namespace dravanta
