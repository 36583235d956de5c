#include "ui/headless_progress.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

using namespace std::chrono_literals;

TEST(ProgressLine, OneLineWhateverThePath) {
  EXPECT_EQ(ProgressLine(12, 1, u"/srv/a\nb\tc"),
            "Files settled: 12, threats: 1, current file: /srv/a?b?c");
}

TEST(ProgressPrinter, TerminalRewritesInPlace) {
  ProgressPrinter p;
  p.terminal = true;
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(p.Update("a", t0), "\ra\x1b[K");
  EXPECT_EQ(p.Update("b", t0 + 100ms), "");  // too soon
  EXPECT_EQ(p.Update("b", t0 + 300ms), "\rb\x1b[K");
  EXPECT_EQ(p.Update("b", t0 + 900ms), "");  // unchanged
  EXPECT_EQ(p.Finish("c"), "\rc\x1b[K\n");
}

TEST(ProgressPrinter, PipeGetsAFewWholeLines) {
  ProgressPrinter p;
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(p.Update("a", t0), "a\n");
  EXPECT_EQ(p.Update("b", t0 + 1s), "");
  EXPECT_EQ(p.Update("b", t0 + 6s), "b\n");
  EXPECT_EQ(p.Finish("b"), "");
  EXPECT_EQ(p.Finish("c"), "c\n");
}

}  // namespace
}  // namespace dravanta
