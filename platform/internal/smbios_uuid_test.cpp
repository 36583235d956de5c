#include "smbios_uuid.h"

#include <gtest/gtest.h>

#include <string>

namespace dravanta {
namespace {

// One structure: type, formatted length, handle, the rest of the formatted
// part, then its strings (zero-separated here) and two zeros; a structure
// without strings ends in two zeros as well.
std::string Structure(uint8_t type, std::string formatted, std::string strings = "") {
  std::string s;
  s += static_cast<char>(type);
  s += static_cast<char>(4 + formatted.size());
  s += std::string("\x01\x00", 2);
  s += formatted;
  s += strings.empty() ? std::string(2, '\0') : strings + std::string(2, '\0');
  return s;
}

// The type-1 formatted part after the header: four string numbers, then
// the 16 UUID bytes and the wake-up type.
std::string SystemInformation(const std::string& uuid) {
  return std::string("\x01\x02\x03\x04", 4) + uuid + "\x06";
}

TEST(SmbiosUuidTest, FindsTheSystemStructureBehindOthers) {
  const std::string uuid("\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\xcc\xdd\xee\xff", 16);
  const std::string bios = Structure(0, std::string(14, 'b'), std::string("Vendor\0Ver", 10));
  const std::string end = Structure(127, "");
  struct Case {
    const char* what;
    std::string table;
    std::string uuid;
  } cases[] = {
      {"first", Structure(1, SystemInformation(uuid), std::string("Maker\0Box", 9)) + end,
       "00112233445566778899aabbccddeeff"},
      {"after the BIOS structure", bios + Structure(1, SystemInformation(uuid)) + end,
       "00112233445566778899aabbccddeeff"},
      {"unset: all zero", Structure(1, SystemInformation(std::string(16, '\0'))) + end, ""},
      {"unset: all ones", Structure(1, SystemInformation(std::string(16, '\xff'))) + end, ""},
      {"none before the end", bios + end + Structure(1, SystemInformation(uuid)), ""},
      {"no system structure", bios + end, ""},
      {"empty", "", ""},
      {"too short for the UUID", Structure(1, std::string(10, 'x')) + end, ""},
      {"cut in the middle", (bios + Structure(1, SystemInformation(uuid))).substr(0, 30), ""},
      {"strings never end",
       std::string("\x00\x05\x00\x00\x00"
                   "abc",
                   8),
       ""},
      {"a length below the header", std::string("\x00\x02\x00\x00\x00\x00", 6), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SmbiosSystemUuid(c.table), c.uuid) << c.what;
}

}  // namespace
}  // namespace dravanta
