// The configuration file's INI reading: fed in pieces of any size it gives
// the same contents as the whole text at once, and both agree with a plain
// model of the syntax and the list-size rule that keeps every line whole.
//
// Input: one byte choosing the piece sizes, then the file's bytes. A byte
// 0x01 followed by a byte X stands for 20,000 copies of X (the first four
// times), so that lines beyond what the reader keeps (and lists beyond the
// size rule) are reached from short inputs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_scanner.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using dravanta::ScannedIni;

// At most four runs, so that one input stays a few hundred kilobytes.
std::string Expand(std::string_view text) {
  std::string out;
  int runs = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x01' && i + 1 < text.size() && runs < 4) {
      ++runs;
      out.append(20000, text[++i]);
    } else {
      out += text[i];
    }
  }
  return out;
}

// Each item with its terminating zero, as the size rule counts them.
size_t ListLength(const std::vector<std::u16string>& items) {
  size_t total = 0;
  for (const auto& item : items) total += item.size() + 1;
  return total;
}

ScannedIni Model(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::u16string> names;
  std::vector<std::u16string> entries;
  int sections = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    const bool blank = line.find_first_not_of(" \t\r") == std::string::npos;
    if (i == 0 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (blank || line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.find(']') != std::string::npos) {
      ++sections;
      names.push_back(dravanta::Utf8ToUtf16(line.substr(1, line.find(']') - 1)));
      continue;
    }
    if (sections == 1) entries.push_back(dravanta::Utf8ToUtf16(line));
  }
  constexpr size_t kLimit = dravanta::kIniListBufferLength - 3;
  ScannedIni model;
  if (ListLength(names) <= kLimit) {
    model.section_names = names;
    if (ListLength(entries) <= kLimit) model.first_section_entries = entries;
  }
  return model;
}

bool Same(const ScannedIni& a, const ScannedIni& b) {
  return a.section_names == b.section_names && a.first_section_entries == b.first_section_entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const uint8_t pieces = input.Byte();
  const std::string text = Expand(input.Rest());

  const ScannedIni whole = dravanta::ScanIniText(text);

  dravanta::IniScanner scanner;
  // Small pieces for small texts, large ones too (and always for large
  // texts, which small pieces would make slow to read).
  size_t step = 1 + pieces % 64;
  if (pieces >= 192 || text.size() > 16384) step = 4096 + pieces;
  for (size_t at = 0; at < text.size(); at += step) {
    scanner.Feed(std::string_view(text).substr(at, step));
  }
  const bool hopeless = scanner.hopeless();
  const ScannedIni fed = scanner.Finish();
  FUZZ_CHECK(Same(whole, fed));
  if (hopeless) FUZZ_CHECK(fed.section_names.empty() && fed.first_section_entries.empty());

  FUZZ_CHECK(Same(whole, Model(text)));
  return 0;
}
