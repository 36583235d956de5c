#include "report/json_result.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dravanta {
namespace {

TEST(JsonResult, PathsThatAreNotUtf8AreWrittenByteByByte) {
  struct Case {
    std::string bytes;
    std::string json;
    bool escaped;
  };
  const Case cases[] = {
      {"/srv/a.exe", "\"/srv/a.exe\"", false},
      {"/srv/caf\xc3\xa9", "\"/srv/caf\xc3\xa9\"", false},
      {"/srv/\"q\"\\b", "\"/srv/\\\"q\\\"\\\\b\"", false},
      {"/srv/\x01tab\t", "\"/srv/\\u0001tab\\u0009\"", false},
      // Each undecodable byte as \xNN, the backslash escaped for JSON.
      {"/srv/\xff\xfe.bin", "\"/srv/\\\\xFF\\\\xFE.bin\"", true},
      // Once bytes are escaped, a backslash of the name is one too.
      {"/srv/\xc3\\", "\"/srv/\\\\xC3\\\\x5C\"", true},
  };
  for (const Case& c : cases) {
    bool escaped = !c.escaped;
    EXPECT_EQ(JsonPath(Utf8ToUtf16(c.bytes), &escaped), c.json) << c.json;
    EXPECT_EQ(escaped, c.escaped) << c.json;
  }
}

TEST(JsonResult, TimesCarryTheirOffset) {
  EXPECT_EQ(Iso8601({2026, 12, 11, 9, 5, 7, 250, 60}), "2026-12-11T09:05:07+01:00");
  EXPECT_EQ(Iso8601({2026, 1, 2, 23, 59, 59, 0, -570}), "2026-01-02T23:59:59-09:30");
  EXPECT_EQ(Iso8601({2026, 1, 2, 0, 0, 0, 0, 0}), "2026-01-02T00:00:00+00:00");
}

TEST(JsonResult, DocumentHoldsEveryFieldAndEveryFileThatIsNotClean) {
  JsonResult r;
  r.clientVersion = u"1.2.3.4";
  r.computer = u"ws-17";
  r.user = u"alice";
  r.server = u"127.0.0.1:8008/dravanta_rest";
  r.scanType = u"custom";
  r.targets = {u"/srv"};
  r.started = {2026, 12, 11, 9, 0, 0, 0, 0};
  r.finished = {2026, 12, 11, 9, 0, 5, 0, 0};
  r.status = u"infected";
  r.exitCode = 1;
  r.counts = {.collected = 3, .clean = 1, .threat = 1, .failed = 1};
  r.files = {{u"/srv/a.exe",
              10,
              -1,
              u"Dirty",
              FileCategory::kThreat,
              u"Trojan.X",
              {},
              {{u"Engine A", u"1", u"Trojan.X"}, {u"Engine B", u"0", u""}}},
             {u"/srv/b",
              std::nullopt,
              1000,
              u"Unknown",
              FileCategory::kFailed,
              u"the server answered 500",
              {},
              {}}};
  EXPECT_EQ(ComposeJsonResult(r),
            "{\n"
            "  \"format\": \"dravanta-scan-result\",\n"
            "  \"version\": 1,\n"
            "  \"client_version\": \"1.2.3.4\",\n"
            "  \"computer\": \"ws-17\",\n"
            "  \"user\": \"alice\",\n"
            "  \"server\": \"127.0.0.1:8008/dravanta_rest\",\n"
            "  \"scan_type\": \"custom\",\n"
            "  \"targets\": [\"/srv\"],\n"
            "  \"started\": \"2026-12-11T09:00:00+00:00\",\n"
            "  \"finished\": \"2026-12-11T09:00:05+00:00\",\n"
            "  \"status\": \"infected\",\n"
            "  \"exit_code\": 1,\n"
            "  \"message\": \"\",\n"
            "  \"counts\": {\"collected\": 3, \"clean\": 1, \"threat\": 1, \"no_verdict\": 0, "
            "\"skipped_size\": 0, \"unreadable\": 0, \"vanished\": 0, \"failed\": 1, "
            "\"not_reached\": 0, \"unlistable_folders\": 0},\n"
            "  \"files\": [\n"
            "    {\"path\": \"/srv/a.exe\", \"size\": 10, \"outcome\": -1, \"outcome_text\": "
            "\"Dirty\", \"category\": \"threat\", \"threat\": \"Trojan.X\", \"reason\": null, "
            "\"engines\": [{\"name\": \"Engine A\", \"result\": 1, \"threat\": \"Trojan.X\"}, "
            "{\"name\": \"Engine B\", \"result\": 0, \"threat\": null}]},\n"
            "    {\"path\": \"/srv/b\", \"size\": null, \"outcome\": 1000, \"outcome_text\": "
            "\"Unknown\", \"category\": \"failed\", \"threat\": null, \"reason\": \"the server "
            "answered 500\", \"engines\": []}\n"
            "  ]\n"
            "}\n");
}

}  // namespace
}  // namespace dravanta
