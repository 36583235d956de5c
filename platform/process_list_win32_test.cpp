#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/executable_path.h"
#include "platform/process_list.h"

namespace dravanta {
namespace {

TEST(ProcessListWin32Test, ListsThisProcessWithItsExecutable) {
  const std::u16string self = ExecutablePath();
  ASSERT_FALSE(self.empty());
  const int own_pid = static_cast<int>(GetCurrentProcessId());
  int found = 0;
  for (const ProcessEntry& process : ListProcesses()) {
    EXPECT_GT(process.pid, 0);
    EXPECT_FALSE(process.executable_path.empty());
    if (process.pid == own_pid) {
      ++found;
      EXPECT_EQ(process.executable_path, self);
    }
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(ProcessExecutablePath(own_pid), self);
}

// The child's part of the next test: started as a second copy of this
// program with the names of two events, it tells that it runs and waits
// (at most a minute) to be let go. Skipped in a plain run.
TEST(ProcessListWin32Test, ChildWaitsForItsParent) {
  wchar_t ready_name[64] = {};
  wchar_t go_name[64] = {};
  if (GetEnvironmentVariableW(L"DRAVANTA_CHILD_READY", ready_name, 64) == 0 ||
      GetEnvironmentVariableW(L"DRAVANTA_CHILD_GO", go_name, 64) == 0) {
    GTEST_SKIP() << "only as the child of AStartedChildIsListedWithItsExecutable";
  }
  const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name);
  const HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, go_name);
  ASSERT_NE(ready, nullptr);
  ASSERT_NE(go, nullptr);
  SetEvent(ready);
  EXPECT_EQ(WaitForSingleObject(go, 60000), WAIT_OBJECT_0);
  CloseHandle(ready);
  CloseHandle(go);
}

TEST(ProcessListWin32Test, AStartedChildIsListedWithItsExecutable) {
  const std::u16string self = ExecutablePath();
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring ready_name = L"dravanta-child-ready-" + suffix;
  const std::wstring go_name = L"dravanta-child-go-" + suffix;
  const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str());
  const HANDLE go = CreateEventW(nullptr, TRUE, FALSE, go_name.c_str());
  ASSERT_NE(ready, nullptr);
  ASSERT_NE(go, nullptr);
  SetEnvironmentVariableW(L"DRAVANTA_CHILD_READY", ready_name.c_str());
  SetEnvironmentVariableW(L"DRAVANTA_CHILD_GO", go_name.c_str());
  std::u16string command =
      u"\"" + self + u"\" --gtest_filter=ProcessListWin32Test.ChildWaitsForItsParent";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  const BOOL started = CreateProcessW(reinterpret_cast<const wchar_t*>(self.c_str()),
                                      reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr,
                                      FALSE, 0, nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableW(L"DRAVANTA_CHILD_READY", nullptr);
  SetEnvironmentVariableW(L"DRAVANTA_CHILD_GO", nullptr);
  ASSERT_TRUE(started);
  // The child's modules can be read once it runs its own code.
  const HANDLE waits[] = {ready, child.hProcess};
  const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 60000);
  int copies = 0;
  for (const ProcessEntry& process : ListProcesses()) {
    if (process.executable_path == self) ++copies;
  }
  const std::u16string child_path = ProcessExecutablePath(static_cast<int>(child.dwProcessId));
  SetEvent(go);
  WaitForSingleObject(child.hProcess, 60000);
  DWORD exit_code = 1;
  GetExitCodeProcess(child.hProcess, &exit_code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(ready);
  CloseHandle(go);
  ASSERT_EQ(woke, WAIT_OBJECT_0) << "the child did not start";
  EXPECT_EQ(copies, 2);
  EXPECT_EQ(child_path, self);
  EXPECT_EQ(exit_code, 0u);
}

TEST(ProcessListWin32Test, UnreadableProcessGivesEmptyPath) {
  // 0 is the idle process, never readable; negative identifiers do not exist.
  for (int pid : {0, -1, -4}) EXPECT_TRUE(ProcessExecutablePath(pid).empty()) << pid;
}

}  // namespace
}  // namespace dravanta
