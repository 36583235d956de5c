// Replaced files survive a kill at any moment: after every kill a reader
// finds the old content or the new, whole, and abandoned temporaries do not
// pile up.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "platform/text.h"
#include "tests/support/kill_rounds.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr unsigned kSeed = 20261211;
constexpr int kRounds = 60;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class KilledWriter : public testing::Test {
 protected:
  void SetUp() override { folder_ = scratch_.root(); }
  ScratchTree scratch_;  // removed after the members below
  fs::path folder_;
};

TEST_F(KilledWriter, ReplacedFileIsAlwaysOneWholeVersion) {
  const std::string path = (folder_ / "data").string();
  // Two versions of different sizes, so a torn file cannot pass for either.
  const std::string versions[] = {std::string(1 << 20, 'a'), std::string(300000, 'b') + "end"};
  ASSERT_TRUE(ReplaceFileAtomically(path, versions[0]));
  int mostTemporaries = 0;
  KillWhileWriting(
      kSeed, kRounds, 20ms,
      [&](long counter) { ReplaceFileAtomically(path, versions[counter % 2]); },
      [&](int round) {
        const std::string content = Read(path);
        EXPECT_TRUE(content == versions[0] || content == versions[1])
            << "round " << round << ": " << content.size() << " bytes";
        mostTemporaries = std::max(mostTemporaries, CountEntries(folder_, "data.tmp."));
      });
  // At most the temporary of the writer just killed and the one before it,
  // which the next writer has not yet come to remove.
  EXPECT_LE(mostTemporaries, 2);
  // The next replacement clears what killed writers left.
  ASSERT_TRUE(ReplaceFileAtomically(path, versions[1]));
  EXPECT_EQ(CountEntries(folder_, "data.tmp."), 0);
  EXPECT_EQ(Read(path), versions[1]);
}

TEST_F(KilledWriter, TemporaryOfARunningWriterIsLeftAlone) {
  const std::string path = (folder_ / "data").string();
  // Temporaries of this (running) process and of process 1 are writes in
  // progress; names that only look similar are not temporaries at all.
  const std::string kept[] = {"data.tmp." + std::to_string(getpid()) + ".7", "data.tmp.1.0",
                              "data.tmp.x.1", "data.tmp.", "other.tmp.999999999.1"};
  for (const std::string& name : kept) std::ofstream(folder_ / name) << "x";
  ASSERT_TRUE(ReplaceFileAtomically(path, "new"));
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder_ / name)) << name;
}

TEST_F(KilledWriter, RegistryStoreIsAlwaysAWholeStore) {
  const std::u16string store = Utf8ToUtf16((folder_ / "registry.ini").string());
  const std::u16string key = u"Software\\VARNOK\\QN5RA\\server/path";
  ASSERT_TRUE(WriteRegistryDword(store, key, u"qn5raRunning", 0));
  long lastSeen = 0;
  KillWhileWriting(
      kSeed + 1, kRounds, 20ms,
      [&](long counter) {
        // Values never go back, so a reader can tell an old store from a new one.
        WriteRegistryDword(store, key, u"qn5raRunning", static_cast<uint32_t>(lastSeen + counter));
      },
      [&](int round) {
        const std::string content = Read(folder_ / "registry.ini");
        const std::string head = "[" + Utf16ToUtf8(key) + "]\nqn5raRunning=dword:";
        ASSERT_EQ(content.rfind(head, 0), 0u) << "round " << round << ": " << content;
        ASSERT_EQ(content.back(), '\n') << "round " << round << ": " << content;
        uint32_t value = 0;
        ASSERT_TRUE(ReadRegistryDword(store, key, u"qn5raRunning", &value)) << content;
        EXPECT_GE(static_cast<long>(value), lastSeen) << "round " << round;
        lastSeen = value;
        EXPECT_LE(CountEntries(folder_, "registry.ini.tmp."), 2) << "round " << round;
      });
}

}  // namespace
}  // namespace dravanta
