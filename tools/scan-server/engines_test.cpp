#include <gtest/gtest.h>

#include "tests/support/scratch_tree.h"
#include "tools/scan-server/clamav_engine.h"
#include "tools/scan-server/engine_set.h"
#include "tools/scan-server/file_digest.h"
#include "tools/scan-server/hash_list_engine.h"
#include "tools/scan-server/testing/test_files.h"
#include "tools/scan-server/yara_engine.h"

namespace dravanta::scan_server {
namespace {

using testing::EicarText;

// Loading the engines takes a moment; the tests share one set. It is freed
// at exit: libclamav keeps pointers in memory that the leak checker does not
// scan, so an engine still alive then would be reported as leaked.
const EngineSet& ShippedEngines() {
  static const EngineSet set = [] {
    EngineSettings settings;
    settings.data_folder = ShippedDataFolder();
    settings.max_file_size = 1 << 20;
    return LoadEngines(settings);
  }();
  return set;
}

ScannedFile FileOf(const std::filesystem::path& path, const std::string& bytes) {
  Digests digests = DigestOf(bytes);
  return ScannedFile{path, digests.sha1, digests.md5, bytes.size()};
}

TEST(EnginesTest, ShippedDataLoadsThreeEngines) {
  const EngineSet& set = ShippedEngines();
  EXPECT_TRUE(set.problems.empty()) << set.problems.front();
  ASSERT_EQ(set.engines.size(), 3u);
  EXPECT_EQ(set.engines[0]->Description().name, "ClamAV");
  EXPECT_EQ(set.engines[1]->Description().name, "YARA");
  EXPECT_EQ(set.engines[2]->Description().name, "Hash list");
  EXPECT_EQ(set.engines[1]->Description().definitions, "2 rules");
}

TEST(EnginesTest, VerdictsOnTestFiles) {
  struct Expected {
    int result;
    std::string threat;
  };
  struct Case {
    std::string name, bytes;
    Expected clamav, yara, hash;
  } cases[] = {
      {"eicar.com",
       EicarText(),
       {1, "Dravanta.Test.EICAR.UNOFFICIAL"},
       {1, "Dravanta.Test.EICAR"},
       {1, "Dravanta.Test.EICAR"}},
      // A changed copy is no longer on the hash list but still matches.
      {"eicar-newline.txt",
       EicarText() + "\r\n",
       {1, "Dravanta.Test.EICAR.UNOFFICIAL"},
       {1, "Dravanta.Test.EICAR"},
       {0, ""}},
      {"marker.txt",
       "some text " + testing::ThreatMarkerText() + " more text",
       {1, "Dravanta.Test.ThreatMarker.UNOFFICIAL"},
       {0, ""},
       {0, ""}},
      {"suspicious.txt",
       "x" + testing::SuspiciousMarkerText(),
       {0, ""},
       {2, "Dravanta.Test.SuspiciousMarker"},
       {0, ""}},
      {"clean.txt", "hello, world\n", {0, ""}, {0, ""}, {0, ""}},
      {"empty", "", {0, ""}, {0, ""}, {7, ""}},
      // The EICAR text later in a file is not the test file.
      {"late-eicar.txt", std::string(100, ' ') + EicarText(), {0, ""}, {0, ""}, {0, ""}},
  };
  ScratchTree folder;
  const EngineSet& set = ShippedEngines();
  ASSERT_EQ(set.engines.size(), 3u);
  for (const auto& c : cases) {
    ScannedFile file = FileOf(folder.WriteFile(c.name, c.bytes), c.bytes);
    const Expected* expected[] = {&c.clamav, &c.yara, &c.hash};
    for (int i = 0; i < 3; ++i) {
      EngineVerdict verdict = set.engines[i]->Scan(file);
      EXPECT_EQ(verdict.engine_name, set.engines[i]->Description().name);
      EXPECT_EQ(verdict.scan_result, expected[i]->result) << c.name << " " << verdict.engine_name;
      EXPECT_EQ(verdict.threat_name, expected[i]->threat) << c.name << " " << verdict.engine_name;
    }
  }
}

TEST(EnginesTest, MissingFileFailsToScan) {
  ScratchTree folder;
  ScannedFile file = FileOf(std::filesystem::path(folder.root()) / "gone", "x");
  const EngineSet& set = ShippedEngines();
  ASSERT_EQ(set.engines.size(), 3u);
  EXPECT_EQ(set.engines[0]->Scan(file).scan_result, kFailedToScan);
  EXPECT_EQ(set.engines[1]->Scan(file).scan_result, kFailedToScan);
}

TEST(EnginesTest, BrokenDataIsRefusedWithItsReason) {
  ScratchTree folder;
  std::string error;
  folder.WriteFile("good.txt", "");
  struct Case {
    const char* name;
    const char* content;  // nullptr: no such file
    const char* reason;   // a piece of the error
  };
  const Case cases[] = {
      {"bad.txt", "# comment\n3395856CE81F2B7382DEE72602F798B642F14140\n", "bad.txt:2"},
      {"short.txt", "1234 name\n", "short.txt:1"},
      {"none.txt", nullptr, "cannot read"},
  };
  for (const Case& c : cases) {
    if (c.content != nullptr) folder.WriteFile(c.name, c.content);
    error.clear();
    EXPECT_EQ(LoadHashListEngine(std::filesystem::path(folder.root()) / c.name,
                                 std::filesystem::path(folder.root()) / "good.txt", &error),
              nullptr)
        << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }

  std::filesystem::create_directory(std::filesystem::path(folder.root()) / "yara");
  folder.WriteFile("yara/broken.yar", "rule Broken {\n condition: nonsense_here\n}\n");
  error.clear();
  EXPECT_EQ(LoadYaraEngine(std::filesystem::path(folder.root()) / "yara", &error), nullptr);
  EXPECT_NE(error.find("broken.yar"), std::string::npos) << error;

  std::filesystem::create_directory(std::filesystem::path(folder.root()) / "empty");
  error.clear();
  EXPECT_EQ(LoadYaraEngine(std::filesystem::path(folder.root()) / "empty", &error), nullptr);
  EXPECT_NE(error.find("no YARA rule"), std::string::npos) << error;
  error.clear();
  EXPECT_EQ(LoadClamavEngine({std::filesystem::path(folder.root()) / "empty"}, 1000, &error),
            nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(EnginesTest, HashListMatchesEitherDigestInEitherCase) {
  ScratchTree folder;
  Digests clean = DigestOf("clean");
  Digests bad = DigestOf("bad");
  std::string lower_md5 = bad.md5;
  for (char& c : lower_md5) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  folder.WriteFile("bad.txt", "  " + lower_md5 + "\tBad.By.MD5  \n");
  folder.WriteFile("good.txt", clean.sha1 + "\n");
  std::string error;
  auto engine = LoadHashListEngine(std::filesystem::path(folder.root()) / "bad.txt",
                                   std::filesystem::path(folder.root()) / "good.txt", &error);
  ASSERT_NE(engine, nullptr) << error;
  EngineVerdict verdict = engine->Scan(FileOf("unused", "bad"));
  EXPECT_EQ(verdict.scan_result, kThreatDetected);
  EXPECT_EQ(verdict.threat_name, "Bad.By.MD5");
  EXPECT_EQ(engine->Scan(FileOf("unused", "clean")).scan_result, kSkippedClean);
  EXPECT_EQ(engine->Scan(FileOf("unused", "other")).scan_result, kThreatNotDetected);
  EXPECT_EQ(engine->Description().definitions,
            "0 SHA-1 and 1 MD5 known-bad, 1 SHA-1 and 0 MD5 known-good");
}

TEST(EnginesTest, SystemClamavFolderIsUsedOnlyWhenItHoldsFiles) {
  ScratchTree folder;
  EngineSettings settings;
  settings.data_folder = ShippedDataFolder();
  settings.max_file_size = 1000;
  settings.system_clamav_folder = std::filesystem::path(folder.root()) / "missing";
  EngineSet set = LoadEngines(settings);
  EXPECT_EQ(set.engines.size(), 3u);
  // A folder with a database of its own adds its signatures.
  std::filesystem::create_directory(std::filesystem::path(folder.root()) / "system");
  folder.WriteFile("system/extra.ndb", "Extra.Test:0:*:" + std::string("7a7a7a7a7a7a7a7a") + "\n");
  settings.system_clamav_folder = std::filesystem::path(folder.root()) / "system";
  set = LoadEngines(settings);
  ASSERT_EQ(set.engines.size(), 3u);
  EXPECT_EQ(set.engines[0]->Description().definitions, "3 signatures");
  std::string bytes = "..zzzzzzzz..";
  EngineVerdict verdict = set.engines[0]->Scan(FileOf(folder.WriteFile("z.txt", bytes), bytes));
  EXPECT_EQ(verdict.threat_name, "Extra.Test.UNOFFICIAL");
}

}  // namespace
}  // namespace dravanta::scan_server
