#include "connector/scan_outcome.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

enum class Counter { kNone, kClean, kThreats, kNotScanned, kFailed };

TEST(ScanOutcomeTest, ServerResultsMapAndCountOnce) {
  struct Case {
    int32_t server_result;
    ScanOutcome code;
    Counter counter;
  } cases[] = {
      {0, 0, Counter::kClean},           {1, -1, Counter::kThreats},
      {2, -2, Counter::kThreats},        {3, 10001, Counter::kFailed},
      {4, -1, Counter::kThreats},        {5, 1000, Counter::kNone},
      {6, -1, Counter::kThreats},        {7, 0, Counter::kClean},
      {8, -1, Counter::kThreats},        {9, 1, Counter::kClean},
      {10, 999, Counter::kNotScanned},   {11, 999, Counter::kNotScanned},
      {12, 2, Counter::kClean},          {13, 10009, Counter::kClean},
      {14, 10010, Counter::kClean},      {15, 1000, Counter::kNone},
      {-1, 1000, Counter::kNone},        {INT32_MIN, 1000, Counter::kNone},
      {INT32_MAX, 1000, Counter::kNone},
  };
  for (const auto& c : cases) {
    OutcomeCounts counts;
    EXPECT_EQ(MapServerResult(counts, c.server_result), c.code) << c.server_result;
    EXPECT_EQ(counts.clean.load(), c.counter == Counter::kClean ? 1 : 0) << c.server_result;
    EXPECT_EQ(counts.threats.load(), c.counter == Counter::kThreats ? 1 : 0) << c.server_result;
    EXPECT_EQ(counts.not_scanned.load(), c.counter == Counter::kNotScanned ? 1 : 0)
        << c.server_result;
    EXPECT_EQ(counts.failed.load(), c.counter == Counter::kFailed ? 1 : 0) << c.server_result;
  }
}

TEST(ScanOutcomeTest, TransportCodesMap) {
  struct Case {
    uint32_t transport_code;
    ScanOutcome code;
  } cases[] = {
      {0, 0},    {0x20001001, 10001}, {0x20001002, 10001}, {0x20001003, 1000},
      {1, 1000}, {0xFFFFFFFF, 1000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapTransportCode(c.transport_code), c.code) << c.transport_code;
  }
}

TEST(ScanOutcomeTest, EveryCodeHasItsText) {
  struct Case {
    ScanOutcome code;
    std::u16string text;
  } cases[] = {
      {0, u"Clean"},
      {1, u"Exceeded Archive Depth"},
      {2, u"Encrypted Archive"},
      {999, u"Not Scanned"},
      {1000, u"Unknown"},
      {10001, u"Failed"},
      {10002, u"Connection Refused"},
      {10003, u"Address In Use"},
      {10004, u"Out Of Memory"},
      {10008, u"Exceeded file max file size"},
      {10009, u"Unknown scan result!"},
      {10010, u"Unknown scan result!"},
      {-1, u"Dirty"},
      {-2, u"Suspicious"},
      {-3, u"Unknown scan result!"},
      {3, u"Unknown scan result!"},
      {10000, u"Unknown scan result!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OutcomeText(c.code), c.text) << c.code;
  }
}

TEST(ScanOutcomeTest, ResetClearsEveryCounter) {
  OutcomeCounts counts;
  for (int32_t result : {0, 1, 3, 10}) MapServerResult(counts, result);
  counts.Reset();
  EXPECT_EQ(counts.clean + counts.threats + counts.not_scanned + counts.failed, 0);
}

}  // namespace
}  // namespace dravanta
