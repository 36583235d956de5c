#include "collection/loaded_modules.h"

#include <gtest/gtest.h>

#include "platform/executable_path.h"
#include "platform/process_modules.h"

namespace dravanta {
namespace {

TEST(LoadedModulesTest, NormalizeModulePath) {
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
    std::u16string path = c.in;
    NormalizeModulePath(path);
    EXPECT_EQ(path, c.out);
  }
}

TEST(LoadedModulesTest, ImagesOnlyAndAllModules) {
  const std::u16string own = ExecutablePath();
  ModuleMap images{{u"/stale", u"/stale"}};
  ASSERT_TRUE(CollectLoadedModules(images, false));
  EXPECT_EQ(images.count(u"/stale"), 0u);
  EXPECT_EQ(images.count(own), 1u);

  ModuleMap all;
  ASSERT_TRUE(CollectLoadedModules(all, true));
  EXPECT_EQ(all.count(own), 1u);
  EXPECT_GT(all.size(), images.size());  // at least the C library beside the images
  for (const auto& [key, path] : all) {
    EXPECT_EQ(key, path);  // names are case-sensitive: the key is the path
    EXPECT_EQ(path.find(u" (deleted)"), std::u16string::npos);
  }
}

TEST(LoadedModulesTest, DebugPrivilegeReportsReadAccessToOtherProcesses) {
  EXPECT_EQ(EnableDebugPrivilege(), CanReadOtherUsersProcesses() ? 0 : 1);
}

}  // namespace
}  // namespace dravanta
