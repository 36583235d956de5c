#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/executable_path.h"

namespace dravanta {
namespace {

TEST(ProcessListTest, ListsThisProcessWithItsExecutable) {
  const std::u16string self = ExecutablePath();
  ASSERT_FALSE(self.empty());
  int found = 0;
  for (const ProcessEntry& process : ListProcesses()) {
    EXPECT_GT(process.pid, 0);
    EXPECT_FALSE(process.executable_path.empty());
    if (process.pid == getpid()) {
      ++found;
      EXPECT_EQ(process.executable_path, self);
    }
  }
  EXPECT_EQ(found, 1);
}

TEST(ProcessListTest, UnreadableProcessGivesEmptyPath) {
  // Pid 0 never has a /proc entry; a negative pid cannot either.
  EXPECT_TRUE(ProcessExecutablePath(0).empty());
  EXPECT_TRUE(ProcessExecutablePath(-1).empty());
}

}  // namespace
}  // namespace dravanta
