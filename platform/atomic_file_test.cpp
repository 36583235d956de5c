#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ReplaceFileAtomically, CreatesReplacesAndLeavesNoTemporary) {
  ScratchTree tree;
  const fs::path root = tree.root();
  const std::string path = (root / "f").string();
  ASSERT_TRUE(ReplaceFileAtomically(path, "first version, long"));
  ASSERT_TRUE(ReplaceFileAtomically(path, "second"));
  EXPECT_EQ(Read(path), "second");
  ASSERT_TRUE(ReplaceFileAtomically(path, ""));
  EXPECT_EQ(Read(path), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
}

TEST(ReplaceFileAtomically, RefusesWhatIsNotARegularFile) {
  for (const char* path : {"/dev/null", "/tmp", "", "/tmp/", "/nonexistent-folder/x"}) {
    EXPECT_FALSE(ReplaceFileAtomically(path, "x")) << path;
  }
}

}  // namespace
}  // namespace dravanta
