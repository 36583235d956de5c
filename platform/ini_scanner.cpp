#include "platform/ini_scanner.h"

#include <algorithm>
#include <memory>

#include "platform/file_reader.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// A line of more UTF-8 bytes than this holds more code units than any list
// may (a UTF-16 code unit takes at most 3 bytes), so the rest of it need not
// be kept.
constexpr size_t kLineKeep = 3 * kIniListBufferLength;

// The largest total of a list (each item with its zero) that is still read.
constexpr size_t kIniListLimit = kIniListBufferLength - 3;

// Adds `item` to `list` while the list, each item with its zero, stays within
// the limit; once past it the list is emptied and takes nothing more.
void AddWithinLimit(std::u16string item, bool overlong, std::vector<std::u16string>* list,
                    size_t* length, bool* overflow) {
  if (*overflow) return;
  *length += item.size() + 1;
  if (overlong || *length > kIniListLimit) {
    *overflow = true;
    list->clear();
    return;
  }
  list->push_back(std::move(item));
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void IniScanner::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t newline = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, newline);
    const size_t keep = std::min(piece.size(), kLineKeep - std::min(line_length_, kLineKeep));
    line_.append(piece.substr(0, keep));
    if (piece.find(']', keep) != std::string_view::npos) bracket_past_kept_ = true;
    if (piece.find_first_not_of(" \t\r") != std::string_view::npos) line_blank_ = false;
    line_length_ += piece.size();
    if (newline == std::string_view::npos) return;
    EndLine();
    bytes.remove_prefix(newline + 1);
  }
}

void IniScanner::EndLine() {
  std::string line = std::move(line_);
  const bool overlong = line_length_ > kLineKeep;
  const bool blank = line_blank_;
  const bool bracket_past_kept = bracket_past_kept_;
  line_.clear();
  line_length_ = 0;
  line_blank_ = true;
  bracket_past_kept_ = false;

  if (at_file_start_) {
    // Lines before the first header are ignored, so the mark matters only
    // for a header on the first line.
    at_file_start_ = false;
    if (line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
  }
  if (!overlong && !line.empty() && line.back() == '\r') line.pop_back();
  if (blank || line.empty() || line[0] == ';') return;

  if (line[0] == '[') {
    const size_t close = line.find(']');
    if (close != std::string::npos) {
      AddSectionName(Utf8ToUtf16(std::string_view(line).substr(1, close - 1)), false);
      return;
    }
    if (overlong && bracket_past_kept) {
      AddSectionName(std::u16string(), true);  // a name longer than any list
      return;
    }
  }
  if (sections_seen_ == 1) AddEntry(Utf8ToUtf16(line), overlong);
}

void IniScanner::AddSectionName(std::u16string name, bool overlong) {
  ++sections_seen_;
  AddWithinLimit(std::move(name), overlong, &contents_.section_names, &names_length_,
                 &names_overflow_);
}

void IniScanner::AddEntry(std::u16string entry, bool overlong) {
  AddWithinLimit(std::move(entry), overlong, &contents_.first_section_entries, &entries_length_,
                 &entries_overflow_);
}

ScannedIni IniScanner::Finish() {
  if (line_length_ > 0) EndLine();  // a last line without a line end
  ScannedIni contents = std::move(contents_);
  contents_ = ScannedIni();
  // Without the names no section can be told to be the first.
  if (names_overflow_) contents.first_section_entries.clear();
  return contents;
}

ScannedIni ScanIniText(std::string_view text) {
  IniScanner scanner;
  scanner.Feed(text);
  return scanner.Finish();
}

ScannedIni ScanIniFile(std::u16string_view path) {
  // An administrator may link the file from elsewhere, so a final link is
  // followed here.
  ReadableFile file;
  if (!OpenReadableFile(Utf16ToUtf8(path), &file, nullptr, FinalLink::kFollow)) {
    return ScannedIni();
  }
  ReadableFileCloser closer{&file};
  IniScanner scanner;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    const int64_t n = ReadFromFile(file, buffer.data(), buffer.size());
    if (n < 0) return ScannedIni();  // a read error: as if unreadable
    if (n == 0) break;
    scanner.Feed(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (scanner.hopeless()) return ScannedIni();
  }
  return scanner.Finish();
}

}  // namespace dravanta
