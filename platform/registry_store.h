// The machine-wide DWORD values under key paths through which the client
// tells others its state. On Windows they are the registry's: keys under
// HKEY_LOCAL_MACHINE, REG_DWORD values. POSIX has no registry: one text file
// stands in for it (registry_text.h), replaced atomically at every write,
// so a kill leaves the old or the new content, never a torn file.
//
// A store names where the values go:
// - MachineRegistryStore(): the machine's own place;
// - any other text keeps values apart from it (tests): on POSIX the path of
//   another file; on Windows a key path under HKEY_CURRENT_USER, below which
//   the keys are made.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

// Windows: "HKEY_LOCAL_MACHINE". POSIX: /var/lib/dravanta-client/registry.ini
// when that folder is writable (or can be created, as root), else
// <state folder>/dravanta-client/registry.ini.
std::u16string MachineRegistryStore();

// Sets `name` under `key` to `value`, creating the key (and on POSIX the
// store's folder) when missing. False when it cannot be written, or the
// name is empty, or the key or name cannot be represented (POSIX: line
// breaks, "=" in the name).
bool WriteRegistryDword(const std::u16string& store, std::u16string_view key,
                        std::u16string_view name, uint32_t value);

// False when the store, key or value is missing or not a DWORD.
bool ReadRegistryDword(const std::u16string& store, std::u16string_view key,
                       std::u16string_view name, uint32_t* value);

}  // namespace dravanta
