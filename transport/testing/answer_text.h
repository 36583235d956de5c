// What the transport tests compare answers with: the client's own error
// document written out independently of the code that builds it, and an
// answer's UTF-16 text taken back to its bytes.
#pragma once

#include <string>

namespace dravanta {

inline std::string ErrorDocumentText(const std::string& message) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>" + message + "</error>";
}

// One byte per code unit, as the transport widens answers.
inline std::string AnswerBytes(const char16_t* text) {
  std::string bytes;
  for (; *text != u'\0'; ++text) bytes.push_back(static_cast<char>(*text));
  return bytes;
}

}  // namespace dravanta
