#include "collection/loaded_modules.h"

#include <gtest/gtest.h>

#include "platform/executable_path.h"
#include "platform/process_modules.h"

namespace dravanta {
namespace {

// The plain form is the platform's (its tests hold the cases of each
// system); an already plain path stays as it is.
TEST(LoadedModulesTest, NormalizeModulePath) {
  const std::u16string own = ExecutablePath();
  std::u16string path = own;
  NormalizeModulePath(path);
  EXPECT_EQ(path, own);
  path = own + u"x";
  NormalizeModulePath(path);
  EXPECT_EQ(path, PlainModulePath(own + u"x"));
}

TEST(LoadedModulesTest, ImagesOnlyAndAllModules) {
  const std::u16string own = ExecutablePath();
  ModuleMap images{{u"/stale", u"/stale"}};
  ASSERT_TRUE(CollectLoadedModules(images, false));
  EXPECT_EQ(images.count(u"/stale"), 0u);
  ASSERT_EQ(images.count(ModuleMapKey(own)), 1u);
  EXPECT_EQ(images[ModuleMapKey(own)], own);

  ModuleMap all;
  ASSERT_TRUE(CollectLoadedModules(all, true));
  EXPECT_EQ(all.count(ModuleMapKey(own)), 1u);
  EXPECT_GT(all.size(), images.size());  // at least the C library beside the images
  for (const auto& [key, path] : all) {
    EXPECT_EQ(key, ModuleMapKey(path));  // on POSIX the key is the path
    EXPECT_EQ(path.find(u" (deleted)"), std::u16string::npos);
  }
}

TEST(LoadedModulesTest, DebugPrivilegeReportsReadAccessToOtherProcesses) {
  const int32_t result = EnableDebugPrivilege();  // first: it may enable what is asked next
  EXPECT_EQ(result, CanReadOtherUsersProcesses() ? 0 : 1);
}

}  // namespace
}  // namespace dravanta
