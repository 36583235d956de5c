#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/random_token.h"
#include "platform/registry_store.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// A value read straight from the registry, as another program would.
struct RawValue {
  LONG status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = 0;
};

RawValue QueryValue(HKEY root, const std::u16string& key, const std::u16string& name) {
  RawValue raw;
  HKEY opened = nullptr;
  raw.status = RegOpenKeyExW(root, WideOf(key), 0, KEY_QUERY_VALUE, &opened);
  if (raw.status != ERROR_SUCCESS) return raw;
  raw.size = sizeof raw.data;
  raw.status = RegQueryValueExW(opened, WideOf(name), nullptr, &raw.type,
                                reinterpret_cast<BYTE*>(&raw.data), &raw.size);
  RegCloseKey(opened);
  return raw;
}

// A server text of its own for each test, so that runs and tests do not
// meet; the key is removed afterwards.
class RegistryStoreWin32 : public testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideOf(key_));
    RegDeleteTreeW(HKEY_CURRENT_USER, WideOf(scratch_));
  }
  const std::u16string server_ = u"127.0.0.1:8008/dravanta_rest-" + Utf8ToUtf16(RandomHexToken(6));
  const std::u16string key_ = u"Software\\VARNOK\\QN5RA\\" + server_;
  const std::u16string scratch_ = u"Software\\Dravanta tests " + Utf8ToUtf16(RandomHexToken(6));
};

TEST_F(RegistryStoreWin32, TheMachineStoreIsTheLocalMachineKey) {
  EXPECT_EQ(MachineRegistryStore(), u"HKEY_LOCAL_MACHINE");
}

TEST_F(RegistryStoreWin32, DwordValuesUnderTheMachineKeyReadBackThroughTheRegistry) {
  const std::u16string store = MachineRegistryStore();
  ASSERT_TRUE(WriteRegistryDword(store, key_, u"qn5raRunning", 1));
  ASSERT_TRUE(WriteRegistryDword(store, key_, u"qn5raThreatsFound", 2));
  ASSERT_TRUE(WriteRegistryDword(store, key_, u"qn5raRunning", 0));
  const struct {
    const char16_t* name;
    DWORD value;
  } expected[] = {{u"qn5raRunning", 0}, {u"qn5raThreatsFound", 2}};
  for (const auto& e : expected) {
    const RawValue raw = QueryValue(HKEY_LOCAL_MACHINE, key_, e.name);
    EXPECT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.size, 4u);
    EXPECT_EQ(raw.data, e.value);
    uint32_t value = 0xDEAD;
    EXPECT_TRUE(ReadRegistryDword(store, key_, e.name, &value));
    EXPECT_EQ(value, e.value);
  }
  // The whole server text, slash included, is the key's last component.
  HKEY qn5ra = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VARNOK\\QN5RA", 0, KEY_READ, &qn5ra),
            ERROR_SUCCESS);
  HKEY last = nullptr;
  EXPECT_EQ(RegOpenKeyExW(qn5ra, WideOf(server_), 0, KEY_READ, &last), ERROR_SUCCESS);
  if (last != nullptr) RegCloseKey(last);
  RegCloseKey(qn5ra);
}

TEST_F(RegistryStoreWin32, TheLargestValueKeepsAllItsBits) {
  ASSERT_TRUE(WriteRegistryDword(MachineRegistryStore(), key_, u"v", 4294967295u));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, key_, u"v").data, 4294967295u);
}

TEST_F(RegistryStoreWin32, AnotherStoreKeepsItsValuesUnderTheUsersKey) {
  ASSERT_TRUE(WriteRegistryDword(scratch_, key_, u"qn5raRunning", 7));
  const RawValue raw = QueryValue(HKEY_CURRENT_USER, scratch_ + u"\\" + key_, u"qn5raRunning");
  EXPECT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.data, 7u);
  uint32_t value = 0;
  EXPECT_FALSE(ReadRegistryDword(MachineRegistryStore(), key_, u"qn5raRunning", &value));
}

TEST_F(RegistryStoreWin32, MissingOrForeignValuesAreNotRead) {
  uint32_t value = 0;
  EXPECT_FALSE(ReadRegistryDword(MachineRegistryStore(), key_, u"qn5raRunning", &value));
  // A value of another type under the same name is not a DWORD.
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WideOf(key_), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &opened, nullptr),
            ERROR_SUCCESS);
  const wchar_t text[] = L"1";
  RegSetValueExW(opened, L"qn5raRunning", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 sizeof text);
  RegCloseKey(opened);
  EXPECT_FALSE(ReadRegistryDword(MachineRegistryStore(), key_, u"qn5raRunning", &value));
  // No store, or an empty name (the key's default value), is refused.
  EXPECT_FALSE(WriteRegistryDword(u"", key_, u"v", 1));
  EXPECT_FALSE(WriteRegistryDword(MachineRegistryStore(), key_, u"", 1));
  EXPECT_FALSE(ReadRegistryDword(u"", key_, u"v", &value));
}

TEST_F(RegistryStoreWin32, ConcurrentWritersLoseNoValue) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 8; ++t) {
    writers.emplace_back([this, t] {
      const std::u16string name = u"v" + Utf8ToUtf16(std::to_string(t));
      for (uint32_t i = 0; i < 20; ++i) WriteRegistryDword(MachineRegistryStore(), key_, name, i);
    });
  }
  for (auto& w : writers) w.join();
  for (int t = 0; t < 8; ++t) {
    uint32_t value = 0;
    EXPECT_TRUE(ReadRegistryDword(MachineRegistryStore(), key_,
                                  u"v" + Utf8ToUtf16(std::to_string(t)), &value));
    EXPECT_EQ(value, 19u);
  }
}

}  // namespace
}  // namespace dravanta
