// The registry store's text: whatever the file holds, reading never fails
// hard; a value set into it reads back as set; every other value readable
// before reads the same after; and the new text reads the same again once
// written out and read in.
//
// Input: the key and the name (UTF-16 code units, each up to a zero unit),
// a second key and name, the value (4 bytes), then the store's text.
#include <cstdint>
#include <string>

#include "platform/registry_text.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const std::u16string key = input.Units();
  const std::u16string name = input.Units();
  const std::u16string other_key = input.Units();
  const std::u16string other_name = input.Units();
  const uint32_t value = input.Number32();
  const std::string content(input.Rest());

  uint32_t before = 0;
  const bool had_other =
      dravanta::ReadRegistryDwordFromText(content, other_key, other_name, &before);
  uint32_t ignored = 0;
  dravanta::ReadRegistryDwordFromText(content, key, name, &ignored);

  std::string updated = "untouched";
  if (!dravanta::SetRegistryDwordInText(content, key, name, value, &updated)) {
    FUZZ_CHECK(updated == "untouched");
    return 0;
  }
  uint32_t read = 0;
  FUZZ_CHECK(dravanta::ReadRegistryDwordFromText(updated, key, name, &read));
  FUZZ_CHECK(read == value);

  // Keys and names are stored as UTF-8, where some distinct UTF-16 texts
  // (lone surrogates) meet.
  const auto stored = [](const std::u16string& text) { return dravanta::Utf16ToUtf8(text); };
  if (stored(other_key) != stored(key) || stored(other_name) != stored(name)) {
    uint32_t after = 0;
    const bool has_other =
        dravanta::ReadRegistryDwordFromText(updated, other_key, other_name, &after);
    // Any other value keeps its reading (compared for names that can be
    // stored at all).
    std::string probe;
    if (dravanta::SetRegistryDwordInText("", other_key, other_name, 0, &probe)) {
      FUZZ_CHECK(has_other == had_other);
      if (had_other) FUZZ_CHECK(after == before);
    }
  }

  // Setting the same value again changes nothing.
  std::string again;
  FUZZ_CHECK(dravanta::SetRegistryDwordInText(updated, key, name, value, &again));
  FUZZ_CHECK(again == updated);
  return 0;
}
