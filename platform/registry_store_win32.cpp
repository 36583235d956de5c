#include <windows.h>

#include "internal/wide_win32.h"
#include "platform/registry_store.h"

namespace dravanta {
namespace {

constexpr char16_t kMachine[] = u"HKEY_LOCAL_MACHINE";

// The root key and the path below it of `key` in `store`.
struct Place {
  HKEY root = nullptr;
  std::u16string path;
};

Place PlaceOf(const std::u16string& store, std::u16string_view key) {
  if (store == kMachine) return {HKEY_LOCAL_MACHINE, std::u16string(key)};
  if (store.empty()) return {};
  return {HKEY_CURRENT_USER, store + u"\\" + std::u16string(key)};
}

}  // namespace

std::u16string MachineRegistryStore() { return kMachine; }

bool WriteRegistryDword(const std::u16string& store, std::u16string_view key,
                        std::u16string_view name, uint32_t value) {
  const Place place = PlaceOf(store, key);
  if (place.root == nullptr || name.empty()) return false;
  // Created when missing: non-volatile, full access.
  HKEY opened = nullptr;
  if (RegCreateKeyExW(place.root, WideOf(place.path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &opened, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::u16string value_name(name);
  const DWORD data = value;
  const LONG set = RegSetValueExW(opened, WideOf(value_name), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&data), sizeof data);
  RegCloseKey(opened);
  return set == ERROR_SUCCESS;
}

bool ReadRegistryDword(const std::u16string& store, std::u16string_view key,
                       std::u16string_view name, uint32_t* value) {
  const Place place = PlaceOf(store, key);
  if (place.root == nullptr || name.empty()) return false;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(place.root, WideOf(place.path), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  const std::u16string value_name(name);
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  const LONG read = RegQueryValueExW(opened, WideOf(value_name), nullptr, &type,
                                     reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(opened);
  if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
  *value = data;
  return true;
}

}  // namespace dravanta
