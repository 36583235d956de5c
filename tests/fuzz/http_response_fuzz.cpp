// The finishing of an HTTP answer (the final response's headers followed by
// the body) into the transport's result: a readable status below 300 hands on
// exactly the body; every failure is one of the client's own error documents
// (or, from the server, the answer's body); a text holding "<error>" never
// succeeds.
//
// Input: the raw answer text.
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_support.h"
#include "transport/error_document.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The status after the first space, when three digits of 100 or more are
// there.
int Status(std::string_view text) {
  const size_t space = text.find(' ');
  if (space == std::string_view::npos || text.size() < space + 4) return -1;
  const std::string_view d = text.substr(space + 1, 3);
  if (d[0] < '1' || !IsDigit(d[0]) || !IsDigit(d[1]) || !IsDigit(d[2])) return -1;
  return (d[0] - '0') * 100 + (d[1] - '0') * 10 + (d[2] - '0');
}

bool IsClientErrorDocument(std::string_view text) {
  return text.size() < 512 && text.starts_with(dravanta::ErrorDocumentStart) &&
         text.ends_with(dravanta::ErrorDocumentEnd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  std::string text = raw;
  const dravanta::TransportCode code = dravanta::FinishResponse(&text);
  FUZZ_CHECK(code == dravanta::TransportOk || code == dravanta::TransportFailed);

  const bool has_error = raw.find("<error>") != std::string::npos;
  const size_t split = raw.find("\r\n\r\n");
  const int status = Status(raw);
  if (has_error) {
    FUZZ_CHECK(code == dravanta::TransportFailed);
    // The server's error document: the body when there is one, else all.
    const bool body = split != std::string::npos && split + 4 < raw.size();
    FUZZ_CHECK(text == (body ? raw.substr(split + 4) : raw));
  } else if (status >= 100 && status < 300) {
    FUZZ_CHECK(code == dravanta::TransportOk);
    FUZZ_CHECK(text == (split == std::string::npos ? std::string() : raw.substr(split + 4)));
  } else {
    FUZZ_CHECK(code == dravanta::TransportFailed);
    // Too long a message leaves no document at all rather than a cut one.
    FUZZ_CHECK(text.empty() || IsClientErrorDocument(text));
    if (!text.empty()) {
      const std::string_view message = std::string_view(text).substr(
          dravanta::ErrorDocumentStart.size(),
          text.size() - dravanta::ErrorDocumentStart.size() - dravanta::ErrorDocumentEnd.size());
      if (status < 0) {
        FUZZ_CHECK(message == "Could not interpret HTTP response '" + raw + "'");
      } else {
        const size_t line_end = raw.find("\r\n");
        FUZZ_CHECK(message == (line_end == std::string::npos ? raw.substr(raw.find(' ') + 1, 3)
                                                             : raw.substr(0, line_end)));
      }
    }
  }
  return 0;
}
