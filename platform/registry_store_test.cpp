#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/registry_text.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

namespace fs = std::filesystem;

class RegistryStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.root();
    store_ = Utf8ToUtf16((root_ / "state" / "registry.ini").string());
  }
  std::string Content() {
    std::ifstream in(root_ / "state" / "registry.ini");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  uint32_t Read(std::u16string_view key, std::u16string_view name) {
    uint32_t value = 0xDEAD;
    EXPECT_TRUE(ReadRegistryDword(store_, key, name, &value));
    return value;
  }

  ScratchTree scratch_;  // removed after the members below
  fs::path root_;
  std::u16string store_;
};

TEST_F(RegistryStoreTest, WritesCreateTheFolderKeyAndValueAndReplaceValues) {
  const std::u16string key = u"Software\\VARNOK\\QN5RA\\host/dravanta_rest";
  ASSERT_TRUE(WriteRegistryDword(store_, key, u"qn5raRunning", 1));
  ASSERT_TRUE(WriteRegistryDword(store_, key, u"qn5raThreatsFound", 2));
  ASSERT_TRUE(WriteRegistryDword(store_, key, u"qn5raRunning", 0));
  EXPECT_EQ(Content(),
            "[Software\\VARNOK\\QN5RA\\host/dravanta_rest]\n"
            "qn5raRunning=dword:0\n"
            "qn5raThreatsFound=dword:2\n");
  EXPECT_EQ(Read(key, u"qn5raRunning"), 0u);
  EXPECT_EQ(Read(key, u"qn5raThreatsFound"), 2u);
}

TEST_F(RegistryStoreTest, KeysAreSeparateSections) {
  ASSERT_TRUE(WriteRegistryDword(store_, u"A", u"v", 1));
  ASSERT_TRUE(WriteRegistryDword(store_, u"B", u"v", 2));
  ASSERT_TRUE(WriteRegistryDword(store_, u"A", u"w", 4294967295u));
  EXPECT_EQ(Read(u"A", u"v"), 1u);
  EXPECT_EQ(Read(u"B", u"v"), 2u);
  EXPECT_EQ(Read(u"A", u"w"), 4294967295u);
  EXPECT_EQ(Content(), "[A]\nv=dword:1\nw=dword:4294967295\n[B]\nv=dword:2\n");
}

TEST_F(RegistryStoreTest, MissingAndMalformedValuesAreNotRead) {
  uint32_t value = 7;
  EXPECT_FALSE(ReadRegistryDword(store_, u"A", u"v", &value));
  fs::create_directories(root_ / "state");
  std::ofstream(root_ / "state" / "registry.ini")
      << "[A]\nv=dword:\nw=dword:99999999999\nx=string:1\ny=dword:-1\n[B\nz=dword:3\n";
  for (const char16_t* name : {u"v", u"w", u"x", u"y", u"q"}) {
    EXPECT_FALSE(ReadRegistryDword(store_, u"A", name, &value));
  }
  EXPECT_EQ(value, 7u);
}

TEST_F(RegistryStoreTest, UnrepresentableKeysAndNamesAreRefused) {
  EXPECT_FALSE(WriteRegistryDword(store_, u"a\nb", u"v", 1));
  EXPECT_FALSE(WriteRegistryDword(store_, u"a", u"v=w", 1));
  EXPECT_FALSE(WriteRegistryDword(store_, u"a", u"", 1));
  EXPECT_FALSE(WriteRegistryDword(u"/proc/no/registry.ini", u"a", u"v", 1));
}

// The text functions the file functions are built on: line ends of either
// kind and a last line without one are read, and setting writes LF lines.
TEST(RegistryStoreTextTest, SetAndReadInMemory) {
  const std::string content = "[A]\r\nv=dword:5\r\n\r\n[B]\nv=dword:6";
  uint32_t value = 0;
  EXPECT_TRUE(ReadRegistryDwordFromText(content, u"B", u"v", &value));
  EXPECT_EQ(value, 6u);
  std::string updated;
  ASSERT_TRUE(SetRegistryDwordInText(content, u"A", u"w", 7, &updated));
  EXPECT_EQ(updated, "[A]\nv=dword:5\nw=dword:7\n\n[B]\nv=dword:6\n");
  ASSERT_TRUE(SetRegistryDwordInText(updated, u"C", u"v", 8, &updated));
  EXPECT_EQ(updated, "[A]\nv=dword:5\nw=dword:7\n\n[B]\nv=dword:6\n[C]\nv=dword:8\n");
  // Carriage returns before a line end all belong to it, so a rewrite does
  // not turn a line into another.
  ASSERT_TRUE(SetRegistryDwordInText("[K]\r\r\nv=dword:1\r\r", u"L", u"w", 2, &updated));
  EXPECT_EQ(updated, "[K]\nv=dword:1\n[L]\nw=dword:2\n");
  EXPECT_TRUE(ReadRegistryDwordFromText("[K]\r\r\nv=dword:1\r\r", u"K", u"v", &value));
  EXPECT_EQ(value, 1u);
  std::string untouched = "kept";
  EXPECT_FALSE(SetRegistryDwordInText(content, u"A", u"[v", 1, &untouched));
  EXPECT_EQ(untouched, "kept");
}

TEST_F(RegistryStoreTest, ConcurrentWritersLoseNoValue) {  // THREADED
  std::vector<std::thread> writers;
  for (int t = 0; t < 8; ++t) {
    writers.emplace_back([this, t] {
      const std::u16string name = u"v" + Utf8ToUtf16(std::to_string(t));
      for (uint32_t i = 0; i < 20; ++i) WriteRegistryDword(store_, u"K", name, i);
    });
  }
  for (auto& w : writers) w.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(Read(u"K", u"v" + Utf8ToUtf16(std::to_string(t))), 19u);
}

}  // namespace
}  // namespace dravanta
