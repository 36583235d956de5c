// An INI reading for systems without private-profile functions of their
// own: the list of section names and the entries of the first section, each
// kept only while it fits a 16384-character double-zero-terminated list.
// private_profile_posix.cpp serves the profile calls from it; portable
// code reads INI files through platform/private_profile.h.
//
// Syntax accepted:
//  - lines end with LF or CR LF; a UTF-8 byte-order mark at the start is
//    skipped; text is UTF-8 (bytes that are not valid UTF-8 are kept
//    losslessly);
//  - a line beginning with ";" is a comment; a line holding nothing or only
//    blanks and tabs is skipped;
//  - a line beginning with "[" that holds a "]" is a section header; the
//    name is the text between "[" and the first "]" (what follows is
//    ignored); a "[" without "]" makes an ordinary line;
//  - every other line is an entry of the section above it, kept exactly as
//    written (no trimming); lines before the first header belong to no
//    section.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// A list of items is kept only when all of them, each followed by a zero,
// are fewer than 16382 code units: the most that a 16384-character buffer
// holds in double-zero-terminated form without reading as cut off.
constexpr size_t kIniListBufferLength = 16384;

struct ScannedIni {
  // Every section name in file order; empty when the list is too large.
  std::vector<std::u16string> section_names;
  // The entry lines of the first section; empty when they are too large
  // (and when the section names are).
  std::vector<std::u16string> first_section_entries;
};

// Feeds a file's bytes in pieces of any size; memory stays bounded however
// large the file is.
class IniScanner {
 public:
  void Feed(std::string_view bytes);
  ScannedIni Finish();

  // True once the section names are known to be too large: nothing more
  // in the file can matter.
  bool hopeless() const { return names_overflow_; }

 private:
  void EndLine();
  void AddSectionName(std::u16string name, bool overlong);
  void AddEntry(std::u16string entry, bool overlong);

  // The line being read; only its first bytes are kept when it is huge.
  std::string line_;
  size_t line_length_ = 0;
  bool line_blank_ = true;
  bool bracket_past_kept_ = false;  // a "]" beyond the kept bytes
  bool at_file_start_ = true;

  int sections_seen_ = 0;
  size_t names_length_ = 0;
  size_t entries_length_ = 0;
  bool names_overflow_ = false;
  bool entries_overflow_ = false;
  ScannedIni contents_;
};

// The whole text at once (for texts already in memory).
ScannedIni ScanIniText(std::string_view text);

// The file at `path`; empty contents when it is missing or unreadable.
ScannedIni ScanIniFile(std::u16string_view path);

}  // namespace dravanta
