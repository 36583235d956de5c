#include "tools/scan-server/verdict_cache.h"

#include <gtest/gtest.h>

#include <memory>

namespace dravanta::scan_server {
namespace {

// A digest whose home slot is chosen by home (its first bytes) and told
// apart from others of the same home by tag.
Sha1Digest DigestAt(unsigned home, unsigned char tag) {
  Sha1Digest digest{};
  digest[0] = static_cast<unsigned char>(home & 0xFF);
  digest[1] = static_cast<unsigned char>(home >> 8);
  digest[19] = tag;
  return digest;
}

RememberedVerdictPointer Verdict(int result, const std::string& threat) {
  return std::make_shared<const RememberedVerdict>(RememberedVerdict{result, threat, "<e/>"});
}

std::string ThreatOf(const VerdictCache& cache, const Sha1Digest& digest) {
  std::vector<RememberedVerdictPointer> found(1);
  cache.FindAll({digest}, found);
  return found[0] ? found[0]->threat_name : "(none)";
}

TEST(VerdictCacheTest, ParsesOnlyFortyHexDigits) {
  Sha1Digest digest;
  EXPECT_TRUE(ParseSha1Digest(std::string(38, '0') + "aF", &digest));
  EXPECT_EQ(digest[19], 0xAF);
  for (const std::string& text :
       {std::string(39, '0'), std::string(41, '0'), std::string(39, '0') + "G", std::string()}) {
    EXPECT_FALSE(ParseSha1Digest(text, &digest)) << text;
  }
}

// Entries that share a home slot (also across the end of the table) stay
// findable whichever of them is erased or replaced.
TEST(VerdictCacheTest, CollidingEntriesSurviveErasesAndReplacements) {
  struct Case {
    const char* name;
    unsigned home;
    int erased;    // index of the entry erased, -1 none
    int replaced;  // index of the entry given another verdict, -1 none
  } cases[] = {
      {"erase first of a run", 7, 0, -1}, {"erase middle of a run", 7, 1, -1},
      {"erase last of a run", 7, 3, -1},  {"run across the end", 1023, 1, -1},
      {"replace in a run", 1022, -1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VerdictCache cache(100);
    for (int i = 0; i < 4; ++i) {
      cache.Put(DigestAt(c.home, static_cast<unsigned char>(i)),
                Verdict(1, "T" + std::to_string(i)));
    }
    if (c.erased >= 0) cache.Erase(DigestAt(c.home, static_cast<unsigned char>(c.erased)));
    if (c.replaced >= 0) {
      cache.Put(DigestAt(c.home, static_cast<unsigned char>(c.replaced)), Verdict(0, "new"));
    }
    EXPECT_EQ(cache.size(), c.erased >= 0 ? 3u : 4u);
    for (int i = 0; i < 4; ++i) {
      std::string expected = i == c.erased     ? "(none)"
                             : i == c.replaced ? "new"
                                               : "T" + std::to_string(i);
      EXPECT_EQ(ThreatOf(cache, DigestAt(c.home, static_cast<unsigned char>(i))), expected) << i;
    }
  }
}

TEST(VerdictCacheTest, GrowsKeepingEveryEntryAndStartsOverWhenFull) {
  VerdictCache cache(5000);
  for (unsigned i = 0; i < 5000; ++i) cache.Put(DigestAt(i * 7, 1), Verdict(0, ""));
  EXPECT_EQ(cache.size(), 5000u);
  std::vector<Sha1Digest> all;
  for (unsigned i = 0; i < 5000; ++i) all.push_back(DigestAt(i * 7, 1));
  std::vector<RememberedVerdictPointer> found(all.size());
  cache.FindAll(all, found);
  for (const auto& verdict : found) ASSERT_TRUE(verdict);
  // Equal verdicts are shared.
  EXPECT_EQ(found.front().get(), found.back().get());
  cache.Put(DigestAt(1, 2), Verdict(1, "one more"));
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(ThreatOf(cache, DigestAt(1, 2)), "one more");
}

TEST(VerdictCacheTest, TooManyDistinctVerdictsStartOver) {
  VerdictCache cache(100000);
  for (int i = 0; i < 4096; ++i) {
    cache.Put(DigestAt(static_cast<unsigned>(i), 3), Verdict(1, "T" + std::to_string(i)));
  }
  EXPECT_EQ(cache.size(), 4096u);
  cache.Put(DigestAt(5000, 3), Verdict(1, "beyond"));
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(ThreatOf(cache, DigestAt(5000, 3)), "beyond");
}

TEST(VerdictCacheTest, NoRoomKeepsNothing) {
  VerdictCache cache(0);
  cache.Put(DigestAt(1, 1), Verdict(0, ""));
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(ThreatOf(cache, DigestAt(1, 1)), "(none)");
}

}  // namespace
}  // namespace dravanta::scan_server
