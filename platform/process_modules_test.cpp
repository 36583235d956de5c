#include "platform/process_modules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "platform/executable_path.h"
#include "platform/text.h"

namespace dravanta {
namespace {

TEST(ProcessModulesTest, ParseExecutableMappings) {
  const std::vector<std::string> paths = ParseExecutableMappings(
      "55d0c0000000-55d0c0001000 r--p 00000000 08:01 1234   /usr/bin/tool\n"
      "55d0c0001000-55d0c0005000 r-xp 00001000 08:01 1234   /usr/bin/tool\n"
      "7f0000000000-7f0000100000 r-xp 00000000 08:01 99     /usr/lib/libc.so.6\n"
      "7f0000100000-7f0000101000 r-xp 00000000 08:01 99     /usr/lib/libc.so.6\n"
      "7f0000200000-7f0000201000 rw-p 00000000 00:00 0 \n"
      "7f0000300000-7f0000301000 r-xp 00000000 00:00 0      [vdso]\n"
      "7f0000400000-7f0000401000 r-xp 00000000 08:01 77     /opt/my lib/a b.so\n"
      "7f0000500000-7f0000501000 r-xp 00000000 08:01 78     /tmp/gone.so (deleted)\n"
      "7f0000600000-7f0000601000 r-xp 00000000 08:01 79     /odd\\012name.so\n"
      "7f0000700000-7f0000701000 rwxp 00000000 00:05 80     /memfd:jit (deleted)\n"
      "short line\n");
  const std::vector<std::string> expected{"/usr/bin/tool", "/usr/lib/libc.so.6",
                                          "/opt/my lib/a b.so", "/odd\nname.so"};
  EXPECT_EQ(paths, expected);
}

TEST(ProcessModulesTest, DeletedMarker) {
  EXPECT_TRUE(IsDeletedMappingPath("/tmp/x (deleted)"));
  EXPECT_FALSE(IsDeletedMappingPath("/tmp/x"));
  EXPECT_FALSE(IsDeletedMappingPath(" (deleted"));
}

TEST(ProcessModulesTest, OwnProcessMapsItsExecutable) {
  const std::vector<std::string> paths = ReadExecutableMappings(getpid());
  const std::string own = Utf16ToUtf8(ExecutablePath());
  EXPECT_NE(std::find(paths.begin(), paths.end(), own), paths.end());
  EXPECT_TRUE(ReadExecutableMappings(-1).empty());
}

TEST(ProcessModulesTest, RootMayReadOtherProcesses) {
  if (geteuid() != 0) GTEST_SKIP() << "not root";
  EXPECT_TRUE(CanReadOtherUsersProcesses());
}

}  // namespace
}  // namespace dravanta
