#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/text.h"
#include "report/scan_report.h"
#include "shell/client_version.h"
#include "ui/notification_gate.h"
#include "ui/testing/dialog_fixture.h"
#include "ui/testing/json_check.h"

namespace dravanta {
namespace {

std::vector<std::string>& OpenedUrls() {
  static std::vector<std::string> urls;
  return urls;
}

bool RecordUrl(std::u16string_view url) {
  OpenedUrls().push_back(Utf16ToUtf8(url));
  return true;
}

class PageMethods : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    OpenedUrls().clear();
  }
  std::u16string Call(std::u16string_view name, std::vector<std::u16string> arguments = {u""}) {
    std::u16string answer = u"unset";
    EXPECT_TRUE(Dialog().CallPageMethod(name, arguments, &answer)) << Utf16ToUtf8(name);
    return answer;
  }
  std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A finished scan with two threats, the second without a result document.
  void InfectedScan() {
    Dialog().OnInitGui();
    StartScan(u"0|/srv");
    const FakeConnectorRecord r = FakeRecord();
    r.file_progress(r.context, 1, 1, u"/srv/b \"q\".dll", -1, u"Worm\\Y", u"");
    r.file_progress(r.context, 1, 1, u"/srv/a.exe", -1, u"Trojan.X",
                    u"<engine_result><engine_name>E1</engine_name><threat_name><![CDATA["
                    u"Trojan.X]]></threat_name><scan_result>1</scan_result></engine_result>");
    // The three clean files of the five scanned are reported too, as the
    // connector reports every settled file.
    for (const char16_t* clean : {u"/srv/c1", u"/srv/c2", u"/srv/c3"}) {
      r.file_progress(r.context, 1, 1, clean, 0, u"", u"");
    }
    r.completion(r.context, true, 5, 0, u"");
  }
};

TEST_F(PageMethods, AnswersBeforeInit) {
  EXPECT_EQ(Call(u"getScanStatus"), u"");
  EXPECT_EQ(Call(u"getLastFileScanning"), u"");
  EXPECT_EQ(Call(u"getLastErrorMessage"), u"");
  EXPECT_EQ(Call(u"getScanDetails"), u"[]");
  EXPECT_EQ(Call(u"reportIssue", {u"a", u"b"}), u"false");
  EXPECT_EQ(Call(u"getEnabledScanLevels"), u"1,2");
}

TEST_F(PageMethods, UnknownMethodIsRefused) {
  std::u16string answer;
  EXPECT_FALSE(Dialog().CallPageMethod(u"GetScanStatus", {}, &answer));
  EXPECT_FALSE(Dialog().CallPageMethod(u"", {}, &answer));
}

TEST_F(PageMethods, EnabledLevelsFollowTheSetting) {
  settings_.allowed_scan_levels = u"0,1,2,3";
  EXPECT_EQ(Call(u"getEnabledScanLevels"), u"0,1,2,3");
}

TEST_F(PageMethods, ClientInfo) {
  EXPECT_EQ(Call(u"getClientInfo", {u"version"}), std::u16string(ClientVersion()));
  EXPECT_EQ(Call(u"getClientInfo", {u"Version"}), u"");
  EXPECT_EQ(Call(u"getClientInfo", {}), u"");
  const std::u16string name = Call(u"getClientInfo", {u"reportName"});
  ASSERT_EQ(name.size(), std::u16string(u"DravantaClientLog_201403051015.txt").size());
  EXPECT_EQ(name.substr(name.size() - 4), u".txt");
  EXPECT_EQ(name.substr(0, 18), u"DravantaClientLog_");
}

TEST_F(PageMethods, OpenLinkOpensOnlyWebAddresses) {
  DialogServices services = Services();
  services.open_url = RecordUrl;
  dialog_ = std::make_unique<CQn5raClntDlg>(services);
  dialog_->SetSettings(settings_);
  for (const char16_t* url :
       {u"https://example.invalid/support", u"http://example.invalid/", u"HTTPS://X.invalid/",
        u"file:///etc/passwd", u"javascript:alert(1)", u"/usr/bin/xterm", u"-e", u"",
        u"https://a b.invalid/", u"https://x.invalid/\n-e", u"httpx://y"}) {
    EXPECT_EQ(Call(u"openLink", {url}), u"");
  }
  EXPECT_EQ(OpenedUrls(),
            (std::vector<std::string>{"https://example.invalid/support", "http://example.invalid/",
                                      "HTTPS://X.invalid/"}));
}

// A path as a JSON string's content: Windows paths hold backslashes.
std::string JsonEscapedPath(const std::string& path) {
  std::string escaped;
  for (const char c : path) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

TEST_F(PageMethods, PickerChecksThePath) {
  const std::string folder = (root_ / "home").string();
  const std::string file = (root_ / "home" / "f.txt").string();
  std::ofstream(file) << "x";
  EXPECT_EQ(Narrow(Call(u"pickFileFolder", {Utf8ToUtf16(folder)})),
            "[{\"folder\" : \"" + JsonEscapedPath(folder) + "\"}]");
  EXPECT_EQ(Narrow(Call(u"pickFileFolder", {Utf8ToUtf16(file)})),
            "[{\"file\" : \"" + JsonEscapedPath(file) + "\"}]");
  for (const std::u16string& path : {std::u16string(u""), Utf8ToUtf16((root_ / "missing").string()),
                                     std::u16string(u"home"), std::u16string(u"/dev/null")}) {
    EXPECT_EQ(Call(u"pickFileFolder", {path}), u"") << Narrow(path);
  }
}

TEST_F(PageMethods, ResultsAndDetailsAreValidJsonAndDetailsAreStable) {
  InfectedScan();
  EXPECT_EQ(Call(u"getScanStatus"), u"infected");
  const std::string results = Narrow(Call(u"getScanResults"));
  EXPECT_TRUE(IsValidJson(results)) << results;
  EXPECT_EQ(results.substr(0, results.find("\"scanTime\"")),
            R"({"numThreats":2,"engine":"12","fileScanned":5,)");
  EXPECT_NE(results.find(R"([[ "/srv/a.exe","Trojan.X" ],[ "/srv/b \"q\".dll","Worm\\Y" ]])"),
            std::string::npos)
      << results;
  const std::u16string details = Call(u"getScanDetails");
  EXPECT_EQ(Narrow(details), R"([{"index_0":[["E1",1,"Trojan.X"]]},{"index_1":[]}])");
  EXPECT_EQ(Call(u"getScanDetails"), details);
  Call(u"log", {u"page said something"});
  EXPECT_EQ(Call(u"getScanDetails"), details);
}

TEST_F(PageMethods, SaveAnswersThePathWrittenOrCancel) {
  InfectedScan();
  EXPECT_EQ(Call(u"doSaveResult", {u""}), u"cancel");
  const std::u16string written = Call(u"doSaveResult", {u"report.txt"});
  EXPECT_EQ(Narrow(written), (root_ / "program" / "report.txt").string());
  const std::string report = Read(root_ / "program" / "report.txt");
  EXPECT_EQ(report, EncodeReportText(Dialog().ComposeReport()));
  EXPECT_NE(report.find("Scan Type:          \t     0\r\n"), std::string::npos);
  EXPECT_NE(report.find("Clean Files:                 3\r\n"), std::string::npos);
  EXPECT_NE(report.find("2.  PATH:          /srv/b \"q\".dll\r\n    THREAT NAME:   Worm\\Y\r\n"),
            std::string::npos);
  // Saving again writes the same content.
  const std::string absolute = (root_ / "home" / "again.txt").string();
  EXPECT_EQ(Narrow(Call(u"doSaveResult", {Utf8ToUtf16(absolute)})), absolute);
  EXPECT_EQ(Read(absolute), report);
}

TEST_F(PageMethods, SaveToAnUnwritablePlaceAnswersTheFallbackOrNothing) {
  InfectedScan();
  EXPECT_EQ(Narrow(Call(u"doSaveResult", {u"/dev/full"})),
            (root_ / "program" / "DravantaClientLog").string());
  std::filesystem::remove_all(root_ / "program");
  std::filesystem::remove_all(root_ / "home");
  EXPECT_EQ(Call(u"doSaveResult", {u"/dev/full"}), u"");
}

TEST_F(PageMethods, NavigationHookLeavesOtherAddressesAlone) {
  EXPECT_FALSE(Dialog().OnBeforeNavigate(u"APP:1005@Init"));
  EXPECT_FALSE(Dialog().OnBeforeNavigate(u"https://example.invalid/"));
  EXPECT_TRUE(Dialog().OnBeforeNavigate(u"app:1005@Nothing"));
  EXPECT_TRUE(Dialog().OnBeforeNavigate(u"app:Init"));
  EXPECT_FALSE(IsActiveDialog(&Dialog()));
  EXPECT_TRUE(Dialog().OnBeforeNavigate(u"app:1005@Init"));
  EXPECT_TRUE(IsActiveDialog(&Dialog()));
}

}  // namespace
}  // namespace dravanta

namespace dravanta {
namespace {

TEST_F(PageMethods, ThePageLearnsWhatTheExitQuestionDependsOn) {
  settings_.exit_on_dirty = true;
  Dialog().OnInitGui();
  EXPECT_EQ(Call(u"getClientInfo", {u"exitOnClean"}), u"0");
  EXPECT_EQ(Call(u"getClientInfo", {u"exitOnDirty"}), u"1");
  EXPECT_EQ(Call(u"getClientInfo", {u"fileScan"}), u"");
  StartScan(u"0|/srv");
  EXPECT_EQ(Call(u"getClientInfo", {u"fileScan"}), u"clean");
  const FakeConnectorRecord r = FakeRecord();
  r.file_progress(r.context, 1, 1, u"/srv/a.exe", -1, u"Trojan.X", u"");
  EXPECT_EQ(Call(u"getClientInfo", {u"fileScan"}), u"threats");
  r.completion(r.context, true, 1, 0, u"");
  EXPECT_EQ(Call(u"getClientInfo", {u"fileScan"}), u"");
  // A module scan is no file scan.
  StartScan(u"1|");
  EXPECT_EQ(Call(u"getClientInfo", {u"fileScan"}), u"");
}

TEST_F(PageMethods, NotScannedFilesComeWithTheirCountsLine) {
  Dialog().OnInitGui();
  StartScan(u"0|/srv");
  const FakeConnectorRecord r = FakeRecord();
  r.file_progress(r.context, 1, 1, u"/srv/b", 10005, u"could not be opened: Permission denied",
                  u"");
  r.file_progress(r.context, 1, 9000, u"/srv/a \"big\"", 10008, u"", u"");
  r.file_progress(r.context, 1, 1, u"/srv/c", 0, u"", u"");
  r.file_progress(r.context, 1, 1, u"/srv/t", -1, u"Trojan.X", u"");
  r.completion(r.context, true, 4, 0, u"");
  const std::u16string text = Call(u"getClientInfo", {u"notScanned"});
  EXPECT_TRUE(IsValidJson(Narrow(text))) << Narrow(text);
  EXPECT_EQ(Narrow(text),
            R"({"line":"1 file could not be read, 1 was over the size limit","files":[)"
            R"(["/srv/a \"big\"","skipped_size","larger than the size limit"],)"
            R"(["/srv/b","unreadable","could not be opened: Permission denied"]]})");
}

}  // namespace
}  // namespace dravanta
