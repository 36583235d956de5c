#include "collection/size_filter.h"

#include <gtest/gtest.h>

#include <vector>

namespace dravanta {
namespace {

TEST(SizeFilterTest, LimitIsSignExtendedAndComparedUnsigned) {
  const struct {
    int32_t limit;
    uint64_t size;
    bool exceeds;
  } cases[] = {
      {0, 0, false},
      {0, 1, true},  // 0 passes only empty files
      {100, 100, false},
      {100, 101, true},
      {0x7FFFFFFF, 0x7FFFFFFFull, false},
      {0x7FFFFFFF, 0x80000000ull, true},
      {-1, 0xFFFFFFFFFFFFFFFFull, false},  // negative passes every file
      {-5, 1ull << 40, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExceedsSizeLimit(c.limit, c.size), c.exceeds) << c.limit << " " << c.size;
  }
}

TEST(SizeFilterTest, RejectedFilesAreReportedOnceAndAcceptedOnesNot) {
  std::vector<FileRecord> skipped;
  SizeFilter filter{10,
                    [](void* context, const FileRecord& record) {
                      static_cast<std::vector<FileRecord>*>(context)->push_back(record);
                    },
                    &skipped};
  EXPECT_TRUE(FilterBySize(&filter, FileRecord{u"/a", 10}));
  EXPECT_FALSE(FilterBySize(&filter, FileRecord{u"/b", 11}));
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(skipped[0].path, u"/b");
  EXPECT_EQ(skipped[0].size, 11u);

  SizeFilter silent{0, nullptr, nullptr};
  EXPECT_FALSE(FilterBySize(&silent, FileRecord{u"/c", 1}));
}

}  // namespace
}  // namespace dravanta
