#include "transport/exchange_handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace dravanta {
namespace {

class ExchangeHandlesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }

  // Empties both idle lists, so that each case starts from none.
  void SetUp() override {
    for (CertificateCheck check : {CertificateCheck::kFull, CertificateCheck::kRelaxed}) {
      std::vector<CURL*> taken;
      for (size_t i = 0; i < MaxIdleExchangeHandles; ++i)
        taken.push_back(TakeExchangeHandle(check));
      for (CURL* handle : taken) curl_easy_cleanup(handle);
    }
  }
};

TEST_F(ExchangeHandlesTest, AGivenBackHandleServesTheNextExchangeOfItsCheckOnly) {
  CURL* relaxed = TakeExchangeHandle(CertificateCheck::kRelaxed);
  ASSERT_NE(relaxed, nullptr);
  ReturnExchangeHandle(CertificateCheck::kRelaxed, relaxed);
  CURL* full = TakeExchangeHandle(CertificateCheck::kFull);
  EXPECT_NE(full, relaxed);
  EXPECT_EQ(TakeExchangeHandle(CertificateCheck::kRelaxed), relaxed);
  ReturnExchangeHandle(CertificateCheck::kRelaxed, relaxed);
  ReturnExchangeHandle(CertificateCheck::kFull, full);
  ReturnExchangeHandle(CertificateCheck::kFull, nullptr);  // a handle never made
  EXPECT_EQ(TakeExchangeHandle(CertificateCheck::kFull), full);
  ReturnExchangeHandle(CertificateCheck::kFull, full);
}

TEST_F(ExchangeHandlesTest, AtMostTheLimitIsKeptIdle) {
  std::vector<CURL*> taken;
  for (size_t i = 0; i < MaxIdleExchangeHandles + 3; ++i) {
    taken.push_back(TakeExchangeHandle(CertificateCheck::kFull));
  }
  for (CURL* handle : taken) ReturnExchangeHandle(CertificateCheck::kFull, handle);
  size_t reused = 0;
  std::vector<CURL*> again;
  for (size_t i = 0; i < MaxIdleExchangeHandles + 3; ++i) {
    again.push_back(TakeExchangeHandle(CertificateCheck::kFull));
  }
  for (CURL* handle : again) {
    // The first ones given back are kept; the rest were destroyed, so a
    // fresh handle may reuse one's address: count only the kept ones.
    if (std::find(taken.begin(), taken.begin() + MaxIdleExchangeHandles, handle) !=
        taken.begin() + MaxIdleExchangeHandles) {
      ++reused;
    }
  }
  EXPECT_EQ(reused, MaxIdleExchangeHandles);
  for (CURL* handle : again) ReturnExchangeHandle(CertificateCheck::kFull, handle);
}

}  // namespace
}  // namespace dravanta
