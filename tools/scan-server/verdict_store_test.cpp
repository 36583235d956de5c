#include "tools/scan-server/verdict_store.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/scratch_tree.h"
#include "tools/scan-server/documents.h"
#include "tools/scan-server/testing/test_files.h"

namespace dravanta::scan_server {
namespace {

StoredFile FileWith(const std::string& sha1, int result, const std::string& threat) {
  StoredFile file{sha1, "MD5", 10, "f.bin",
                  CombineVerdicts({{"ClamAV", result, threat}, {"YARA", 0, ""}})};
  return file;
}

std::string Sha1Of(int n) {
  std::string number = std::to_string(n);
  return std::string(40 - number.size(), 'A') + number;
}

std::unique_ptr<VerdictStore> OpenOrFail(const std::string& path, std::size_t cache = 200000) {
  std::string error;
  auto store = VerdictStore::Open(path, &error, cache);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

TEST(VerdictStoreTest, LookupAnswersStoredVerdictsInOrder) {
  auto store = OpenOrFail("");
  ASSERT_NE(store, nullptr);
  std::string error;
  ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(1), 1, "T"), {"pc", "me", "HW000001", ""}, &error));
  ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(2), 0, ""), {}, &error));
  auto verdicts = store->Lookup({Sha1Of(2), Sha1Of(3), Sha1Of(1)}, {});
  ASSERT_EQ(verdicts.size(), 3u);
  ASSERT_TRUE(verdicts[0]);
  EXPECT_EQ(verdicts[0]->final_scan_result, 0);
  EXPECT_FALSE(verdicts[1]);
  ASSERT_TRUE(verdicts[2]);
  EXPECT_EQ(verdicts[2]->final_scan_result, 1);
  EXPECT_EQ(verdicts[2]->threat_name, "T");
  EXPECT_EQ(verdicts[2]->engine_results,
            EngineResultElements(FileWith(Sha1Of(1), 1, "T").verdict.engines));
  EXPECT_EQ(store->LookupCount(), 1);
  EXPECT_EQ(store->ScanCount(), 2);
  auto identities = store->ScanIdentities();
  ASSERT_EQ(identities.size(), 2u);
  EXPECT_EQ(identities[0].computer_name, "pc");
  EXPECT_EQ(identities[0].user_name, "me");
  EXPECT_EQ(identities[0].hardware_id, "HW000001");
}

TEST(VerdictStoreTest, BulkStoreReplacesRememberedVerdictsWithoutScanRecords) {
  auto store = OpenOrFail("");
  ASSERT_NE(store, nullptr);
  std::string error;
  ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(1), 0, ""), {}, &error));
  ASSERT_TRUE(store->Lookup({Sha1Of(1)}, {})[0]);  // now in the cache as clean
  ASSERT_TRUE(
      store->StoreVerdicts({FileWith(Sha1Of(1), 1, "Later"), FileWith(Sha1Of(2), 0, "")}, &error))
      << error;
  auto verdicts = store->Lookup({Sha1Of(1), Sha1Of(2)}, {});
  ASSERT_TRUE(verdicts[0] && verdicts[1]);
  EXPECT_EQ(verdicts[0]->threat_name, "Later");
  EXPECT_EQ(verdicts[1]->final_scan_result, 0);
  EXPECT_EQ(store->VerdictCount(), 2);
  EXPECT_EQ(store->ScanCount(), 1);
}

TEST(VerdictStoreTest, RescanReplacesAndFailedScanIsNotRemembered) {
  auto store = OpenOrFail("");
  ASSERT_NE(store, nullptr);
  std::string error;
  ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(1), 0, ""), {}, &error));
  ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(1), 1, "Later"), {}, &error));
  StoredFile failed{Sha1Of(2), "MD5", 1, "", CombineVerdicts({{"ClamAV", 3, ""}})};
  ASSERT_TRUE(store->StoreScan(failed, {}, &error));
  auto verdicts = store->Lookup({Sha1Of(1), Sha1Of(2)}, {});
  ASSERT_TRUE(verdicts[0]);
  EXPECT_EQ(verdicts[0]->threat_name, "Later");
  EXPECT_FALSE(verdicts[1]);
  EXPECT_EQ(store->ScanCount(), 3);  // every scan is recorded all the same
}

TEST(VerdictStoreTest, AnswersStayRightWhateverTheCacheHolds) {
  // No cache, a cache smaller than the files, and a roomy one.
  for (std::size_t cache : {0u, 2u, 100u}) {
    auto store = OpenOrFail("", cache);
    ASSERT_NE(store, nullptr);
    std::string error;
    for (int n = 0; n < 5; ++n) {
      ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(n), 0, ""), {}, &error));
    }
    std::vector<std::string> all = {Sha1Of(0), Sha1Of(1), Sha1Of(2),
                                    Sha1Of(3), Sha1Of(4), Sha1Of(99)};
    for (int round = 0; round < 2; ++round) {
      auto verdicts = store->Lookup(all, {});
      for (int n = 0; n < 5; ++n) {
        ASSERT_TRUE(verdicts[n]) << cache << " " << n;
        EXPECT_EQ(verdicts[n]->final_scan_result, 0);
      }
      EXPECT_FALSE(verdicts[5]);
    }
    // A rescan with another verdict replaces the remembered one.
    ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(3), 1, "Now"), {}, &error));
    auto verdicts = store->Lookup({Sha1Of(3)}, {});
    ASSERT_TRUE(verdicts[0]);
    EXPECT_EQ(verdicts[0]->threat_name, "Now") << cache;
  }
}

TEST(VerdictStoreTest, FileDatabaseKeepsVerdictsAcrossReopening) {
  ScratchTree folder;
  std::string path = (std::filesystem::path(folder.root()) / "verdicts.db").string();
  std::string error;
  {
    auto store = OpenOrFail(path);
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->StoreScan(FileWith(Sha1Of(7), 1, "Kept"), {"pc", "", "", ""}, &error));
  }
  auto store = OpenOrFail(path);
  ASSERT_NE(store, nullptr);
  auto verdicts = store->Lookup({Sha1Of(7)}, {});
  ASSERT_TRUE(verdicts[0]);
  EXPECT_EQ(verdicts[0]->threat_name, "Kept");
  EXPECT_EQ(store->ScanCount(), 1);
}

TEST(VerdictStoreTest, LookupRecordsWaitingForTheirBatchAreWrittenAtClose) {
  ScratchTree folder;
  std::string path = (std::filesystem::path(folder.root()) / "verdicts.db").string();
  const std::size_t lookups = VerdictStore::kLookupRecordBatch + 3;
  {
    auto store = OpenOrFail(path);
    ASSERT_NE(store, nullptr);
    for (std::size_t i = 0; i < lookups; ++i) store->Lookup({Sha1Of(1)}, {"pc", "me", "", ""});
  }
  auto store = OpenOrFail(path);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->LookupCount(), static_cast<std::int64_t>(lookups));
}

TEST(VerdictStoreTest, UnusableDatabaseIsRefused) {
  ScratchTree folder;
  std::string error;
  EXPECT_EQ(VerdictStore::Open(
                (std::filesystem::path(folder.root()) / "no" / "such" / "x.db").string(), &error),
            nullptr);
  EXPECT_NE(error.find("cannot open the database"), std::string::npos) << error;
  folder.WriteFile("text.db", std::string(4096, 'x'));
  error.clear();
  EXPECT_EQ(VerdictStore::Open((std::filesystem::path(folder.root()) / "text.db").string(), &error),
            nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(VerdictStoreTest, ConcurrentScansAndLookups) {
  auto store = OpenOrFail("");
  ASSERT_NE(store, nullptr);
  constexpr int kThreads = 4, kFilesEach = 50;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFilesEach; ++i) {
        int n = t * kFilesEach + i;
        std::string error;
        if (!store->StoreScan(FileWith(Sha1Of(n), n % 2, n % 2 ? "T" : ""), {}, &error)) {
          ++failures;
        }
        auto verdicts = store->Lookup({Sha1Of(n)}, {});
        if (!verdicts[0] || verdicts[0]->final_scan_result != n % 2) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(store->ScanCount(), kThreads * kFilesEach);
  EXPECT_EQ(store->LookupCount(), kThreads * kFilesEach);
}

}  // namespace
}  // namespace dravanta::scan_server
