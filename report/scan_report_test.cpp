#include "report/scan_report.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/text_file_encoding.h"

namespace dravanta {
namespace {

std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }

ScanReport CleanScan() {
  ScanReport r;
  r.userId = u"alice";
  r.scanningSystem = u"ws-17";
  r.clientVersion = u"1.0.0.1";
  r.scanType = u"2";
  r.startTime = u"2014-03-05 10:15:00";
  r.finishTime = u"2014-03-05 10:16:05";
  r.cleanFiles = 35;
  return r;
}

const char kCleanText[] =
    "VARNOK - Dravanta Client SCAN RESULTS\n\n"
    "User ID:                     alice\n\n"
    "SCAN FINISHED SUCCESSFULLY\n\n"
    "Scanning System:             ws-17\n\n"
    "Dravanta Client Version:     1.0.0.1\n\n"
    "Scan Type:          \t     2\n"
    "Scan Start Time:             2014-03-05 10:15:00\n"
    "Scan Finish Time:            2014-03-05 10:16:05\n"
    "Clean Files:                 35\n"
    "Infected Files:              0\n"
    "_______________________________________________________________________\n";

TEST(ScanReportText, CleanScanHasElevenLinesEndingWithUnderscores) {
  ScanReport r = CleanScan();
  const std::string text = Narrow(ComposeReportText(r));
  EXPECT_EQ(text, kCleanText);
  int nonEmpty = 0;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    if (end > start) ++nonEmpty;
  }
  EXPECT_EQ(nonEmpty, 11);
}

TEST(ScanReportText, ThreatsAreListedNumberedInPathOrder) {
  ScanReport r = CleanScan();
  r.cleanFiles = 33;
  r.threats = {{u"/srv/b.so", u"Worm.Y"}, {u"/srv/a.exe", u"Trojan.X"}};
  const std::string text = Narrow(ComposeReportText(r));
  EXPECT_EQ(r.infectedFiles, 2);
  const std::string hyphens(71, '-');
  const std::string underscores(71, '_');
  const std::string expectedTail = "Infected Files:              2\n" + underscores +
                                   "\n\n\nINFECTED FILES\n\n"
                                   "1.  PATH:          /srv/a.exe\n"
                                   "    THREAT NAME:   Trojan.X\n" +
                                   hyphens +
                                   "\n"
                                   "2.  PATH:          /srv/b.so\n"
                                   "    THREAT NAME:   Worm.Y\n" +
                                   hyphens + "\n" + underscores + "\n";
  ASSERT_GE(text.size(), expectedTail.size());
  EXPECT_EQ(text.substr(text.size() - expectedTail.size()), expectedTail);
}

TEST(ScanReportText, CleanCountMayBeNegative) {
  ScanReport r = CleanScan();
  r.cleanFiles = -1;
  EXPECT_NE(Narrow(ComposeReportText(r)).find("Clean Files:                 -1\n"),
            std::string::npos);
}

TEST(ScanReportText, ComposingTwiceGivesTheSameText) {
  ScanReport r = CleanScan();
  r.threats = {{u"/x", u"T"}};
  const std::u16string first = ComposeReportText(r);
  EXPECT_EQ(ComposeReportText(r), first);
}

TEST(ScanReportText, UnfinishedScanKeepsEveryLineInItsPlace) {
  ScanReport r = CleanScan();
  r.finished = false;
  r.failureMessage = u"2 of 9 files could not be scanned:\r\nthe server answered 500";
  const std::string text = Narrow(ComposeReportText(r));
  std::string expected = kCleanText;
  const std::string finished = "SCAN FINISHED SUCCESSFULLY";
  expected.replace(expected.find(finished), finished.size(),
                   "SCAN DID NOT FINISH: 2 of 9 files could not be scanned:  the server answered "
                   "500");
  EXPECT_EQ(text, expected);
}

TEST(ScanReportText, FilesNotScannedAndCountsFollowTheExistingLines) {
  ScanReport r = CleanScan();
  r.threats = {{u"/srv/a.exe", u"Trojan.X"}};
  r.notScanned = {{u"/srv/big.iso",
                   9000,
                   10008,
                   u"Exceeded file max file size",
                   FileCategory::kSkippedSize,
                   u"over the size limit",
                   {},
                   {}},
                  {u"/srv/gone",
                   3,
                   10006,
                   u"Vanished",
                   FileCategory::kVanished,
                   u"gone before it could be read",
                   {},
                   {}}};
  r.counts = CoverageCounts{.collected = 38,
                            .clean = 35,
                            .threat = 1,
                            .skippedSize = 1,
                            .vanished = 1,
                            .unlistableFolders = 2};
  const std::string text = Narrow(ComposeReportText(r));
  const std::string hyphens(71, '-');
  const std::string underscores(71, '_');
  // What a report without these sections holds comes first, unchanged.
  ScanReport plain = CleanScan();
  plain.threats = r.threats;
  const std::string head = Narrow(ComposeReportText(plain));
  ASSERT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.substr(head.size()),
            "\n\nFILES NOT SCANNED\n\n"
            "1.  PATH:          /srv/big.iso\n"
            "    CATEGORY:      skipped_size\n"
            "    REASON:        over the size limit\n" +
                hyphens +
                "\n"
                "2.  PATH:          /srv/gone\n"
                "    CATEGORY:      vanished\n"
                "    REASON:        gone before it could be read\n" +
                hyphens + "\n" + underscores +
                "\n"
                "\n\nFILE COUNTS\n\n"
                "Files Collected:             38\n"
                "Clean:                       35\n"
                "Threats:                     1\n"
                "No Verdict:                  0\n"
                "Skipped By Size:             1\n"
                "Unreadable:                  0\n"
                "Vanished:                    1\n"
                "Failed:                      0\n"
                "Folders Not Listed:          2\n" +
                underscores + "\n");
}

TEST(ScanCoverageText, NotScannedLineNamesTheNonZeroCounts) {
  struct Case {
    CoverageCounts counts;
    std::u16string line;
  };
  const Case cases[] = {
      {{.collected = 5, .clean = 5}, u""},
      {{.skippedSize = 12, .unreadable = 3},
       u"3 files could not be read, 12 were over the size limit"},
      {{.skippedSize = 1}, u"1 file was over the size limit"},
      {{.noVerdict = 1, .vanished = 1, .failed = 2},
       u"2 files could not be scanned, 1 vanished before it was read, 1 got no verdict from the "
       u"server"},
      {{.vanished = 2}, u"2 files vanished before they were read"},
  };
  for (const Case& c : cases) EXPECT_EQ(NotScannedLine(c.counts), c.line);
}

TEST(ScanReportNames, DefaultNameAndTimeFormat) {
  LocalTime t{2014, 3, 5, 10, 15, 9, 250};
  EXPECT_EQ(DefaultReportName(t), u"DravantaClientLog_201403051015.txt");
  EXPECT_EQ(FormatReportTime(t), u"2014-03-05 10:15:09");
}

TEST(ScanReportEncoding, Utf8WithCrLfAndLosslessFileNames) {
  struct Case {
    std::u16string text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"a\nb\n", "a\r\nb\r\n"},
      {u"\n\n", "\r\n\r\n"},
      {u"caf\u00e9 \u4e2d", "caf\xc3\xa9 \xe4\xb8\xad"},
      // A file name byte that is not UTF-8 goes back out as that byte.
      {Utf8ToUtf16("/tmp/\xff\xfe.bin"), "/tmp/\xff\xfe.bin"},
      {u"tab\tstays", "tab\tstays"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeReportText(c.text), c.bytes);
}

// On every system: line ends become CR LF, and the characters take the
// system's report encoding one by one.
TEST(ScanReportEncoding, CrLfLineEndsInTheSystemsEncoding) {
  struct Case {
    std::u16string text;
    std::u16string lines;
  };
  const Case cases[] = {
      {u"a\nb\n", u"a\r\nb\r\n"},
      {u"", u""},
      {u"\r\n", u"\r\r\n"},  // a CR already there stays
      {u"caf\u00e9 \u20ac\nx", u"caf\u00e9 \u20ac\r\nx"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeReportText(c.text), ReportFileBytes(c.lines));
  EXPECT_EQ(EncodeReportText(u"User ID: x\n"), "User ID: x\r\n");
}

}  // namespace
}  // namespace dravanta
