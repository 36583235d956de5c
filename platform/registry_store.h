// A small store of DWORD values under key paths, standing in for the
// machine-wide registry. It is one text file:
//
//   [Software\VARNOK\QN5RA\server/path]
//   qn5raRunning=dword:1
//
// The key path is the section name; every write replaces the file atomically,
// so a kill leaves the old or the new content, never a torn file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

// /var/lib/dravanta-client/registry.ini when that folder is writable (or can
// be created, as root), else <state folder>/dravanta-client/registry.ini.
std::u16string MachineRegistryStorePath();

// Sets `name` under `key` to `value`, creating the key (and the store's
// folder) when missing. False when the store cannot be written or the key or
// name cannot be represented (line breaks, an empty name or "=" in it).
bool WriteRegistryDword(const std::u16string& store, std::u16string_view key,
                        std::u16string_view name, uint32_t value);

// False when the store, key or value is missing or not a DWORD.
bool ReadRegistryDword(const std::u16string& store, std::u16string_view key,
                       std::u16string_view name, uint32_t* value);

// The same two on the store's text in memory: the new text of the store
// after setting a value into *updated (false, with nothing changed, when the
// key or name cannot be represented), and the reading of a value.
bool SetRegistryDwordInText(std::string_view content, std::u16string_view key,
                            std::u16string_view name, uint32_t value, std::string* updated);
bool ReadRegistryDwordFromText(std::string_view content, std::u16string_view key,
                               std::u16string_view name, uint32_t* value);

}  // namespace dravanta
