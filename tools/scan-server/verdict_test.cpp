#include "tools/scan-server/verdict.h"

#include <gtest/gtest.h>

namespace dravanta::scan_server {
namespace {

TEST(VerdictTest, CombinesEngineResults) {
  struct Case {
    std::vector<EngineVerdict> engines;
    int final_scan_result;
    std::string threat_name;
  } cases[] = {
      {{}, kFailedToScan, ""},
      {{{"A", 0, ""}, {"B", 0, ""}}, kThreatNotDetected, ""},
      {{{"A", 0, ""}, {"B", 7, ""}}, kThreatNotDetected, ""},
      {{{"A", 3, ""}, {"B", 0, ""}}, kThreatNotDetected, ""},
      {{{"A", 3, ""}, {"B", 3, ""}}, kFailedToScan, ""},
      {{{"A", 2, "S"}, {"B", 0, ""}}, kSuspicious, "S"},
      {{{"A", 3, ""}, {"B", 2, "S"}}, kSuspicious, "S"},
      {{{"A", 2, "S"}, {"B", 1, "T"}, {"C", 1, "U"}}, kThreatDetected, "T"},
      {{{"A", 3, ""}, {"B", 1, "T"}}, kThreatDetected, "T"},
      {{{"A", 5, ""}, {"B", 5, ""}}, kThreatNotDetected, ""},
  };
  for (const auto& c : cases) {
    FileVerdict verdict = CombineVerdicts(c.engines);
    EXPECT_EQ(verdict.final_scan_result, c.final_scan_result) << c.engines.size();
    EXPECT_EQ(verdict.threat_name, c.threat_name);
    EXPECT_EQ(verdict.engines.size(), c.engines.size());
  }
}

TEST(VerdictTest, SafeThreatNameKeepsOnlyHarmlessCharacters) {
  struct Case {
    std::string name, safe;
  } cases[] = {
      {"Win.Test.EICAR_HDB-1", "Win.Test.EICAR_HDB-1"},
      {"a]]>b", "a]]_b"},
      {"<error>x</error>", "_error_x_/error_"},
      {"say \"hi\" & 'bye'", "say _hi_ _ _bye_"},
      {"c:\\x\ty\n", "c:_x_y_"},
      {"caf\xC3\xA9", "caf__"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeThreatName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace dravanta::scan_server
