// The records of a diagnostic log, for the shell's tests: the log is
// UTF-16LE without a byte-order mark, every record ending with CR LF.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/text.h"

namespace dravanta {

// Decodes `bytes` into UTF-8 lines, checking that every line ends with CR LF.
inline std::vector<std::string> LogLines(const std::string& bytes) {
  EXPECT_EQ(bytes.size() % 2, 0u);
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
    lines.push_back(Utf16ToUtf8(text.substr(start, end - start)));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

// A whole line matching an ECMAScript regular expression, the same on every
// system (gtest's own regular expressions are POSIX ones on Linux and a
// small subset without classes or counts on Windows).
MATCHER_P(MatchesLinePattern, pattern, "matches " + std::string(pattern)) {
  return std::regex_match(std::string(arg), std::regex(std::string(pattern)));
}

}  // namespace dravanta
