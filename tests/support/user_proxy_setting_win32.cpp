#include <windows.h>

#include <cstdint>

#include "tests/support/user_proxy_setting.h"

namespace dravanta {
namespace {

constexpr wchar_t kConnections[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kValue[] = L"DefaultConnectionSettings";

// The value's layout: a version (0x46), a change counter, the flags (0x2: a
// proxy is named), then counted texts: proxy, bypass list, configuration
// script address.
std::vector<unsigned char> SettingsBlob(const std::string& proxy, const std::string& bypass) {
  std::vector<unsigned char> blob;
  auto put = [&blob](std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      blob.push_back(static_cast<unsigned char>(value >> shift));
  };
  auto put_text = [&](const std::string& text) {
    put(static_cast<std::uint32_t>(text.size()));
    blob.insert(blob.end(), text.begin(), text.end());
  };
  put(0x46);
  put(1);
  put(0x2);
  put_text(proxy);
  put_text(bypass);
  put_text("");
  blob.resize(blob.size() + 32, 0);
  return blob;
}

HKEY OpenConnections() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

}  // namespace

UserProxySetting::UserProxySetting(const std::string& proxy, const std::string& bypass) {
  HKEY key = OpenConnections();
  if (key == nullptr) return;
  DWORD size = 0;
  if (RegQueryValueExW(key, kValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    earlier_.resize(size);
    had_value_ =
        RegQueryValueExW(key, kValue, nullptr, nullptr, earlier_.data(), &size) == ERROR_SUCCESS;
  }
  const std::vector<unsigned char> blob = SettingsBlob(proxy, bypass);
  applied_ = RegSetValueExW(key, kValue, 0, REG_BINARY, blob.data(),
                            static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
  RegCloseKey(key);
}

UserProxySetting::~UserProxySetting() {
  HKEY key = OpenConnections();
  if (key == nullptr) return;
  if (had_value_) {
    RegSetValueExW(key, kValue, 0, REG_BINARY, earlier_.data(),
                   static_cast<DWORD>(earlier_.size()));
  } else {
    RegDeleteValueW(key, kValue);
  }
  RegCloseKey(key);
}

}  // namespace dravanta
