// The text of the POSIX registry store, one INI-like file:
//
//   [Software\VARNOK\QN5RA\server/path]
//   qn5raRunning=dword:1
//
// The key path is the section name. Portable (no system calls), so that it
// is tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

// Whether a value of `name` under `key` can be written and read back: no
// line breaks or zero characters, a name that is not empty, holds no "="
// and does not start with "[".
bool CanStoreInRegistryText(std::u16string_view key, std::u16string_view name);

// The new text of the store after setting a value into *updated (false,
// with nothing changed, when the key or name cannot be represented), and
// the reading of a value.
bool SetRegistryDwordInText(std::string_view content, std::u16string_view key,
                            std::u16string_view name, uint32_t value, std::string* updated);
bool ReadRegistryDwordFromText(std::string_view content, std::u16string_view key,
                               std::u16string_view name, uint32_t* value);

}  // namespace dravanta
