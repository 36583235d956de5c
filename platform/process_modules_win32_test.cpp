#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "internal/wide_win32.h"
#include "platform/executable_path.h"
#include "platform/process_modules.h"
#include "platform/text.h"

namespace dravanta {
namespace {

bool EndsWithIgnoringCase(const std::u16string& text, std::u16string_view tail) {
  return text.size() >= tail.size() &&
         ModuleMapKey(std::u16string_view(text).substr(text.size() - tail.size())) ==
             ModuleMapKey(tail);
}

TEST(ProcessModulesWin32Test, OwnProcessListsItsImageAndKernel32) {
  const ProcessEntry own{static_cast<int>(GetCurrentProcessId()), ExecutablePath()};
  ASSERT_FALSE(own.executable_path.empty());
  EXPECT_EQ(LoadedModulePaths(own, false), std::vector<std::u16string>{own.executable_path});

  const std::vector<std::u16string> all = LoadedModulePaths(own, true);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(ModuleMapKey(all.front()), ModuleMapKey(own.executable_path));
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const std::u16string& path) {
    return EndsWithIgnoringCase(path, u"\\kernel32.dll");
  }));
  // Every module this process has loaded is listed: one looked up now too.
  wchar_t ntdll[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"ntdll.dll"), ntdll, MAX_PATH), 0u);
  EXPECT_NE(std::find(all.begin(), all.end(), FromWide(ntdll, wcslen(ntdll))), all.end());

  EXPECT_TRUE(LoadedModulePaths(ProcessEntry{0, u""}, true).empty());
  EXPECT_TRUE(LoadedModulePaths(ProcessEntry{-1, u""}, true).empty());
}

TEST(ProcessModulesWin32Test, DebugPrivilegeIsReallyEnabled) {
  const bool enabled = EnableReadingOtherProcesses();
  EXPECT_EQ(enabled, CanReadOtherUsersProcesses());
  std::printf("debug privilege %s\n", enabled ? "enabled" : "not held by this token");
}

TEST(ProcessModulesWin32Test, PlainPathsAndTheirKeys) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::u16string windows = FromWide(buffer, n);
  if (windows.back() == u'\\') windows.pop_back();
  const struct {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {u"C:\\Windows\\System32\\ntdll.dll", u"C:\\Windows\\System32\\ntdll.dll"},
      {u"\\??\\C:\\Program Files\\a.exe", u"C:\\Program Files\\a.exe"},
      {u"\\SystemRoot\\System32\\smss.exe", windows + u"\\System32\\smss.exe"},
      {u"\\??\\\\SystemRoot\\x", windows + u"\\x"},  // "\??\" first, then the root
      {u"\\SystemRoot", u"\\SystemRoot"},
      {u"\\systemroot\\x", u"\\systemroot\\x"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainModulePath(c.in), c.out) << Utf16ToUtf8(c.in);

  EXPECT_EQ(ModuleMapKey(u"c:\\Windows\\caf\u00e9.dll"), u"C:\\WINDOWS\\CAF\u00e9.DLL");
  EXPECT_EQ(ModuleMapKey(u"C:\\A.DLL"), ModuleMapKey(u"c:\\a.dll"));
}

}  // namespace
}  // namespace dravanta
