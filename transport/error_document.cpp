#include "transport/error_document.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace dravanta {
namespace {

constexpr size_t kMessageBuffer = 512;

// The answer is handed on as a zero-terminated text: a zero byte inside it
// would silently cut off what follows, so such an answer fails as a whole.
bool FailsForZeroByte(std::string* text) {
  const size_t zero = text->find('\0');
  if (zero == std::string::npos) return false;
  // (%zu is unknown to the Windows C library's format check.)
  *text = MakeErrorDocument(
      FormatMessageText("the answer holds a zero byte at offset %s", std::to_string(zero).c_str()));
  return true;
}

}  // namespace

std::string MakeErrorDocument(std::string_view message) {
  std::string document;
  document.reserve(ErrorDocumentStart.size() + message.size() + ErrorDocumentEnd.size());
  document.append(ErrorDocumentStart).append(message).append(ErrorDocumentEnd);
  if (document.size() >= kMessageBuffer) return {};
  return document;
}

std::string FormatMessageText(const char* format, ...) {
  char buffer[kMessageBuffer];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
}

TransportCode FinishResponse(std::string* text) {
  if (text->find("<error>") == std::string::npos) {
    std::string message;
    size_t space = text->find(' ');
    std::string_view digits;
    if (space != std::string::npos && text->size() - space - 1 >= 3) {
      digits = std::string_view(*text).substr(space + 1, 3);
    }
    // Three digits of 100 or more, or the text is no response: garbage must
    // not read as a good status.
    bool readable = digits.size() == 3 && digits[0] >= '1' && digits[0] <= '9' &&
                    digits[1] >= '0' && digits[1] <= '9' && digits[2] >= '0' && digits[2] <= '9';
    if (!readable) {
      message = "Could not interpret HTTP response '" + *text + "'";
    } else {
      unsigned status = static_cast<unsigned>((digits[0] - '0') * 100 + (digits[1] - '0') * 10 +
                                              (digits[2] - '0'));
      if (status < 300) {
        // Good response: only the body is handed on, empty when there is
        // none (an empty answer must not read as a verdict).
        size_t end_of_headers = text->find("\r\n\r\n");
        if (end_of_headers == std::string::npos) {
          text->clear();
        } else {
          text->erase(0, end_of_headers + 4);
        }
        return FailsForZeroByte(text) ? TransportFailed : TransportOk;
      }
      size_t line_end = text->find("\r\n");
      message = line_end == std::string::npos ? std::string(digits) : text->substr(0, line_end);
    }
    *text = MakeErrorDocument(message);
    return TransportFailed;
  }
  // An error document, from the server or built here.
  size_t end_of_headers = text->find("\r\n\r\n");
  if (end_of_headers != std::string::npos && end_of_headers + 4 < text->size()) {
    text->erase(0, end_of_headers + 4);
  }
  FailsForZeroByte(text);
  return TransportFailed;
}

}  // namespace dravanta
