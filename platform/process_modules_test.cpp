#include "platform/process_modules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "internal/executable_mappings_posix.h"
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

TEST(ProcessModulesTest, OwnProcessLoadedModules) {
  const ProcessEntry own{static_cast<int>(getpid()), ExecutablePath()};
  EXPECT_EQ(LoadedModulePaths(own, false), std::vector<std::u16string>{own.executable_path});
  const std::vector<std::u16string> all = LoadedModulePaths(own, true);
  ASSERT_GT(all.size(), 1u);  // the C library at least
  EXPECT_EQ(all.front(), own.executable_path);
  const ProcessEntry deleted{static_cast<int>(getpid()), u"/tmp/gone (deleted)"};
  EXPECT_TRUE(LoadedModulePaths(deleted, false).empty());
  EXPECT_EQ(EnableReadingOtherProcesses(), CanReadOtherUsersProcesses());
}

TEST(ProcessModulesTest, PlainPathsAndTheirKeys) {
  const struct {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {u"/usr/lib/libc.so.6", u"/usr/lib/libc.so.6"},
      {u"//usr///lib/x", u"/usr/lib/x"},
      {u"/usr/./lib/./x", u"/usr/lib/x"},
      {u"/usr/lib/.", u"/usr/lib"},
      {u"/./x", u"/x"},
      {u"/usr/lib/.hidden", u"/usr/lib/.hidden"},
      {u"/usr/lib/../x", u"/usr/lib/../x"},  // ".." is not resolved lexically
      {u"/", u"/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlainModulePath(c.in), c.out) << Utf16ToUtf8(c.in);
    EXPECT_EQ(ModuleMapKey(c.out), c.out);  // names are case-sensitive
  }
  EXPECT_NE(ModuleMapKey(u"/usr/Lib"), ModuleMapKey(u"/usr/lib"));
}

TEST(ProcessModulesTest, RootMayReadOtherProcesses) {
  if (geteuid() != 0) GTEST_SKIP() << "not root";
  EXPECT_TRUE(CanReadOtherUsersProcesses());
}

}  // namespace
}  // namespace dravanta
