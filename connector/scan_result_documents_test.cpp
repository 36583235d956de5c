#include "connector/scan_result_documents.h"

#include <gtest/gtest.h>

#include "connector/error_message_hook.h"

namespace dravanta {
namespace {

struct Report {
  int32_t stage = -1;
  int32_t total = 0;
  int32_t done = 0;
  uint64_t total_bytes = 0;
  uint64_t size = 0;
  std::u16string path;
  ScanOutcome code = 0;
  std::u16string threat_name;
  std::u16string details;
};

std::vector<Report>& Reports(void* context) { return *static_cast<std::vector<Report>*>(context); }

void RecordModule(void* context, int32_t stage, int32_t total, int32_t done,
                  std::u16string_view path, ScanOutcome code, std::u16string_view threat_name,
                  std::u16string_view details) {
  Reports(context).push_back({stage, total, done, 0, 0, std::u16string(path), code,
                              std::u16string(threat_name), std::u16string(details)});
}

void RecordFile(void* context, uint64_t total_bytes, uint64_t size, std::u16string_view path,
                ScanOutcome code, std::u16string_view threat_name, std::u16string_view details) {
  Reports(context).push_back({-1, 0, 0, total_bytes, size, std::u16string(path), code,
                              std::u16string(threat_name), std::u16string(details)});
}

std::vector<std::u16string>* g_hook_messages = nullptr;
void RecordHook(std::u16string_view message) {
  if (g_hook_messages != nullptr) g_hook_messages->emplace_back(message);
}

class ResultDocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.callbacks = {&RecordModule, &RecordFile, nullptr, &reports_};
    state_.total_bytes = &total_bytes_;
    g_hook_messages = &hook_messages_;
    previous_hook_ = ErrorMessageHook.exchange(&RecordHook);
  }
  void TearDown() override {
    ErrorMessageHook = previous_hook_;
    g_hook_messages = nullptr;
  }

  std::atomic<uint64_t> total_bytes_{777};
  ScanState state_;
  std::vector<Report> reports_;
  std::vector<std::u16string> hook_messages_;
  ErrorMessageFunction previous_hook_ = nullptr;
};

std::vector<ScanFile> Files(int n) {
  std::vector<ScanFile> files;
  for (int i = 0; i < n; ++i) {
    files.push_back({u"/data/f" + std::u16string(1, static_cast<char16_t>(u'0' + i)),
                     static_cast<uint64_t>(10 + i)});
  }
  return files;
}

std::u16string Object(std::u16string_view result) {
  return u"<object><final_scan_result>" + std::u16string(result) + u"</final_scan_result></object>";
}

TEST_F(ResultDocumentsTest, CleanElementWithAttributeIsReportedWhole) {
  const std::u16string element =
      u"<object id=\"1\"><final_scan_result>0</final_scan_result></object>";
  const LookupReading reading = ReadLookupAnswer(state_, ReportForm::kFile, TransportOk,
                                                 u"<r>" + element + u"</r>", Files(1));
  EXPECT_EQ(reading.status, LookupStatus::kRead);
  EXPECT_TRUE(reading.uploads.empty());
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].code, 0);
  EXPECT_EQ(reports_[0].details, element);
  EXPECT_EQ(reports_[0].path, u"/data/f0");
  EXPECT_EQ(reports_[0].size, 10u);
  EXPECT_EQ(reports_[0].total_bytes, 777u);
  EXPECT_EQ(state_.outcomes.clean, 1);
  EXPECT_EQ(state_.processed_files, 1);
  EXPECT_FALSE(state_.threats_found);
}

TEST_F(ResultDocumentsTest, LookupThreatsCarryTheirNamesAndMarkTheScan) {
  struct Case {
    std::u16string result;
    ScanOutcome code;
  } cases[] = {{u"1", -1}, {u"2", -2}, {u"4", -1}, {u"6", -1}, {u"8", -1}};
  for (const auto& c : cases) {
    ScanState state;
    std::vector<Report> reports;
    state.callbacks = {nullptr, &RecordFile, nullptr, &reports};
    const std::u16string answer = u"<object><final_scan_result>" + c.result +
                                  u"</final_scan_result><threat_name><![CDATA[Test.Virus]]>"
                                  u"</threat_name></object>";
    ReadLookupAnswer(state, ReportForm::kFile, TransportOk, answer, Files(1));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, c.code);
    EXPECT_EQ(reports[0].threat_name, u"Test.Virus");
    // Every threat marks the scan, so it can never end as clean.
    EXPECT_TRUE(state.threats_found) << c.code;
    EXPECT_EQ(state.outcomes.threats, 1);
  }
}

TEST_F(ResultDocumentsTest, LookupWithoutVerdictQueuesForUpload) {
  // Result 5, an unlisted number, a missing and a non-numeric verdict: none
  // is a verdict, so each file goes to the server whole.
  const std::u16string answer = Object(u"5") + Object(u"15") + u"<object></object>" + Object(u"") +
                                Object(u"abc") + Object(u"7x") + Object(u" 0 ");
  const std::vector<ScanFile> files = Files(7);
  const LookupReading reading =
      ReadLookupAnswer(state_, ReportForm::kFile, TransportOk, answer, files);
  ASSERT_EQ(reading.uploads.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(reading.uploads[i].path, files[i].path);
    EXPECT_EQ(reading.uploads[i].size, files[i].size);
  }
  ASSERT_EQ(reports_.size(), 1u);  // " 0 " is a number
  EXPECT_EQ(reports_[0].path, files[6].path);
  EXPECT_EQ(state_.outcomes.clean, 1);
  EXPECT_EQ(state_.processed_files, 7);
}

TEST_F(ResultDocumentsTest, FewerElementsThanFilesQueuesTheRest) {
  const std::vector<ScanFile> files = Files(3);
  const LookupReading reading =
      ReadLookupAnswer(state_, ReportForm::kFile, TransportOk, Object(u"0"), files);
  EXPECT_EQ(reading.status, LookupStatus::kRead);
  ASSERT_EQ(reading.uploads.size(), 2u);
  EXPECT_EQ(reading.uploads[0].path, files[1].path);
  EXPECT_EQ(reading.uploads[1].path, files[2].path);
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_EQ(state_.processed_files, 1);
}

TEST_F(ResultDocumentsTest, MoreElementsThanFilesIgnoresTheExtra) {
  const LookupReading reading = ReadLookupAnswer(
      state_, ReportForm::kFile, TransportOk, Object(u"0") + Object(u"1") + Object(u"5"), Files(1));
  EXPECT_TRUE(reading.uploads.empty());
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_EQ(state_.outcomes.clean, 1);
  EXPECT_EQ(state_.outcomes.threats, 0);
  EXPECT_EQ(state_.processed_files, 1);
}

TEST_F(ResultDocumentsTest, UnclosedElementRunsToTheEnd) {
  const std::u16string answer = u"<object><final_scan_result>0</final_scan_result>";
  const LookupReading reading =
      ReadLookupAnswer(state_, ReportForm::kFile, TransportOk, answer, Files(2));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].details, answer);
  EXPECT_EQ(reading.uploads.size(), 1u);
}

TEST_F(ResultDocumentsTest, AnswerWithoutResultsAbandonsANonEmptyLookup) {
  const LookupReading reading =
      ReadLookupAnswer(state_, ReportForm::kModule, TransportOk, u"<response/>", Files(2));
  EXPECT_EQ(reading.status, LookupStatus::kAbandon);
  EXPECT_EQ(reading.abandon_code, kOutcomeFailed);
  EXPECT_EQ(reading.abandon_message, u"The server answered a lookup of 2 files without any result");
  EXPECT_TRUE(reading.uploads.empty());
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(hook_messages_.size(), 1u);

  const LookupReading empty =
      ReadLookupAnswer(state_, ReportForm::kModule, TransportOk, u"", Files(0));
  EXPECT_EQ(empty.status, LookupStatus::kNothingAsked);
}

TEST_F(ResultDocumentsTest, FailedLookupAbandonsWithTheErrorText) {
  struct Case {
    TransportCode transport_code;
    std::u16string answer;
    std::u16string message;
  } cases[] = {
      {TransportFailed, u"<?xml version=\"1.0\"?><error>server down 10061</error>",
       u"server down 10061"},
      {TransportInvalidArgument, u"", u""},
      {TransportFailed, u"<error>unclosed", u""},
      {0x12345678, u"<error>odd</error>", u"odd"},  // still a failure, never 1000
  };
  for (const auto& c : cases) {
    const LookupReading reading =
        ReadLookupAnswer(state_, ReportForm::kFile, c.transport_code, c.answer, Files(1));
    EXPECT_EQ(reading.status, LookupStatus::kAbandon);
    EXPECT_EQ(reading.abandon_code, kOutcomeFailed);
    EXPECT_EQ(reading.abandon_message, c.message);
  }
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(state_.processed_files, 0);
}

TEST_F(ResultDocumentsTest, ModuleFormReportsStageAndCounts) {
  state_.queued_files = 5;
  ReadLookupAnswer(state_, ReportForm::kModule, TransportOk, Object(u"0") + Object(u"0"), Files(2));
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[1].stage, kStageLookup);
  EXPECT_EQ(reports_[1].total, 5);
  EXPECT_EQ(reports_[1].done, 2);
  state_.processed_files = 3;
  ReadUploadAnswer(state_, ReportForm::kModule, TransportOk,
                   u"<final_scan_result>0</final_scan_result>", {u"/m", 0});
  EXPECT_EQ(reports_.back().stage, kStageUpload);
  EXPECT_EQ(reports_.back().done, 3);
}

TEST_F(ResultDocumentsTest, UploadAnswers) {
  struct Case {
    std::u16string answer;
    ScanOutcome code;
    std::u16string threat_name;
    std::u16string details;
    bool threats_found;
    int32_t counted;  // sum of the four outcome counts
  } cases[] = {
      {u"", 1000, u"", u"", false, 0},
      {u"<final_scan_result>2</final_scan_result>", -2, u"UNKNOWN", u"", true, 1},
      {u"<r><final_scan_result>1</final_scan_result><threat_name><![CDATA[Eicar]]></threat_name>"
       u"<objects><engine_result>e</engine_result></objects></r>",
       -1, u"Eicar", u"<engine_result>e</engine_result>", true, 1},
      {u"<r><final_scan_result>0</final_scan_result><objects>x</objects></r>", 0, u"", u"x", false,
       1},
      // No verdict in the answer: never clean.
      {u"<r><objects>x</objects></r>", 1000, u"", u"x", false, 0},
      {u"<final_scan_result>n/a</final_scan_result>", 1000, u"", u"", false, 0},
      {u"<final_scan_result>10</final_scan_result>", 999, u"", u"", false, 1},
  };
  for (const auto& c : cases) {
    ScanState state;
    std::vector<Report> reports;
    state.callbacks = {nullptr, &RecordFile, nullptr, &reports};
    ReadUploadAnswer(state, ReportForm::kFile, TransportOk, c.answer, {u"/up", 42});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, c.code) << std::string(c.answer.begin(), c.answer.end());
    EXPECT_EQ(reports[0].threat_name, c.threat_name);
    EXPECT_EQ(reports[0].details, c.details);
    EXPECT_EQ(reports[0].size, 42u);
    EXPECT_EQ(state.threats_found, c.threats_found);
    EXPECT_EQ(state.outcomes.clean + state.outcomes.threats + state.outcomes.not_scanned +
                  state.outcomes.failed,
              c.counted);
  }
}

TEST_F(ResultDocumentsTest, FailedUploadsCarryTheErrorText) {
  struct Case {
    std::u16string answer;
    ScanOutcome code;
    std::u16string threat_name;
  } cases[] = {
      {u"<error>connect failed (10061)</error>", 10002, u"connect failed (10061)"},
      {u"<error>bind failed (10048)</error>", 10003, u"bind failed (10048)"},
      {u"<error>10061 then 10048</error>", 10003, u"10061 then 10048"},
      {u"<error>timed out</error>", 1000, u"timed out"},
      // Without an error text the file must still read as failed.
      {u"<Error>UNKNOWN</Error>", 1000, u"the upload failed without an answer"},
  };
  for (const auto& c : cases) {
    reports_.clear();
    hook_messages_.clear();
    ReadUploadAnswer(state_, ReportForm::kFile, TransportFailed, c.answer, {u"/up", 1});
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].code, c.code);
    EXPECT_EQ(reports_[0].threat_name, c.threat_name);
    if (c.answer.find(u"<error>") != std::u16string::npos) {
      ASSERT_EQ(hook_messages_.size(), 1u);
      EXPECT_EQ(hook_messages_[0], u"Error during scan: " + c.threat_name);
    }
  }
  EXPECT_EQ(state_.outcomes.clean + state_.outcomes.threats + state_.outcomes.not_scanned +
                state_.outcomes.failed,
            0);
  EXPECT_FALSE(state_.threats_found);
}

TEST(ResultNumberTest, OnlyDecimalNumbersAreVerdicts) {
  struct Case {
    std::u16string text;
    std::optional<int32_t> number;
  } cases[] = {
      {u"0", 0},
      {u"12", 12},
      {u" 3\n", 3},
      {u"-1", -1},
      {u"+4", 4},
      {u"", std::nullopt},
      {u" ", std::nullopt},
      {u"x", std::nullopt},
      {u"7x", std::nullopt},
      {u"1 2", std::nullopt},
      {u"-", std::nullopt},
      {u"2147483647", 2147483647},
      {u"-2147483648", INT32_MIN},
      {u"2147483648", std::nullopt},
      {u"99999999999999999999", std::nullopt},
      {u"<![CDATA[1]]>", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseResultNumber(c.text), c.number) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(EngineVerdictTest, ReadsEveryEntry) {
  const std::u16string details =
      u"<engine_result><engine_name>ClamAV</engine_name><threat_name><![CDATA[Eicar-Test]]>"
      u"</threat_name><scan_result>1</scan_result></engine_result>"
      u"<engine_result><engine_name>YARA</engine_name><threat_name></threat_name>"
      u"<scan_result>0</scan_result></engine_result>";
  const std::vector<EngineVerdict> verdicts = ReadEngineVerdicts(details);
  ASSERT_EQ(verdicts.size(), 2u);
  EXPECT_EQ(verdicts[0].engine_name, u"ClamAV");
  EXPECT_EQ(verdicts[0].threat_name, u"Eicar-Test");
  EXPECT_EQ(verdicts[0].scan_result, u"1");
  EXPECT_EQ(verdicts[1].engine_name, u"YARA");
  EXPECT_EQ(verdicts[1].threat_name, u"");
  EXPECT_EQ(verdicts[1].scan_result, u"0");
  EXPECT_TRUE(ReadEngineVerdicts(u"").empty());
}

}  // namespace
}  // namespace dravanta
