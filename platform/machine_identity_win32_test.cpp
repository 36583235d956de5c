#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/machine_identity.h"
#include "platform/text.h"

namespace dravanta {
namespace {

std::u16string Environment(const wchar_t* name) {
  wchar_t value[512] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
  return n < ARRAYSIZE(value) ? FromWide(value, n) : std::u16string();
}

TEST(MachineIdentityWin32Test, TheHostNameIsTheComputersDnsName) {
  const std::optional<std::u16string> host = QueryHostName();
  ASSERT_TRUE(host);
  ASSERT_FALSE(host->empty());
  wchar_t dns[256] = {};
  DWORD size = ARRAYSIZE(dns);
  ASSERT_TRUE(GetComputerNameExW(ComputerNameDnsHostname, dns, &size));
  EXPECT_EQ(AsciiLower(*host), AsciiLower(FromWide(dns, size)));
  // The socket library is released again: a second query works as well.
  EXPECT_EQ(QueryHostName(), host);
}

TEST(MachineIdentityWin32Test, TheUserNameIsTheLogonName) {
  const std::optional<std::u16string> user = QueryUserName();
  ASSERT_TRUE(user);
  ASSERT_FALSE(user->empty());
  EXPECT_EQ(user->find(u'\0'), std::u16string::npos);
  const std::u16string expected = Environment(L"USERNAME");
  if (!expected.empty()) {
    EXPECT_EQ(AsciiLower(*user), AsciiLower(expected));
  }
}

TEST(MachineIdentityWin32Test, PropertiesAreStableAndTheVolumeIsKnown) {
  const std::vector<MachineProperty> first = QueryMachineProperties();
  const std::vector<MachineProperty> second = QueryMachineProperties();
  ASSERT_EQ(first.size(), 3u);
  ASSERT_EQ(second.size(), 3u);
  const char* const names[] = {"system-uuid", "processor", "system-volume"};
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].name, names[i]);
    EXPECT_EQ(first[i].value, second[i].value) << names[i];
  }
  // (The firmware's identifier may be unset, as in many virtual machines.)
  EXPECT_TRUE(first[0].value.empty() || first[0].value.size() == 32) << first[0].value;
  EXPECT_FALSE(first[1].value.empty());
  EXPECT_EQ(first[2].value.size(), 8u) << first[2].value;
}

}  // namespace
}  // namespace dravanta
