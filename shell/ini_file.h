// Reading the configuration file: the list of its section names and the
// entries of its first section, through the system's private-profile
// reading (platform/private_profile.h) and its buffer rule.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// The buffer rule: a list is asked for into 1024 characters, and again into
// twice as many while the answer says it was cut off (the buffer size minus
// 2, or more), up to 16384 characters. A list that does not fit even then
// is ignored whole.
constexpr size_t kFirstListBufferLength = 1024;
constexpr size_t kLargestListBufferLength = 16384;

// Fills a buffer as the private-profile calls do and answers their count.
using ProfileListReader = std::function<size_t(std::span<char16_t> buffer)>;

// One list under the buffer rule, split at its zeros; empty when it does
// not fit the largest buffer.
std::vector<std::u16string> ReadProfileList(const ProfileListReader& read);

struct IniContents {
  // Every section name in file order; empty when the list is too large.
  std::vector<std::u16string> section_names;
  // The entry lines of the first section; empty when they are too large
  // (and when the section names are).
  std::vector<std::u16string> first_section_entries;
};

// The file at `path`; empty contents when it is missing or unreadable.
IniContents ReadIniFile(std::u16string_view path);

}  // namespace dravanta
