// Many threads writing at once: every record is a whole line and none is
// lost, also across a rotation.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_info.h"
#include "platform/text.h"
#include "shell/diagnostic_log.h"
#include "shell/testing/log_lines.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

constexpr int kThreads = 64;
constexpr int kRecordsPerThread = 300;

// The records of a log file, from byte `from` on.
std::vector<std::string> Lines(const std::string& path, uint64_t from = 0) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  return LogLines(std::string(std::istreambuf_iterator<char>(in), {}));
}

void WriteFromManyThreads(DiagnosticLog& log) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kRecordsPerThread; ++i) {
        const FormatArg args[] = {t, i};
        log.Write(LogKind::kInfo, "worker.cpp", 7, u"thread %d record %d", args);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

void ExpectEveryRecordOnce(const std::vector<std::string>& lines) {
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    const size_t tab = line.rfind('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_NE(line.find("\tInfo\tworker.cpp#7\t"), std::string::npos) << line;
    EXPECT_TRUE(seen.insert(line.substr(tab + 1)).second) << "twice: " << line;
  }
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kRecordsPerThread; ++i) {
      EXPECT_EQ(seen.count("thread " + std::to_string(t) + " record " + std::to_string(i)), 1u);
    }
  }
}

TEST(DiagnosticLogThreadsTest, RecordsFromManyThreadsAreWholeAndComplete) {
  ScratchTree folder;
  DiagnosticLog log;
  log.SetLevel(3);
  ASSERT_TRUE(log.Open(Utf8ToUtf16(folder.PathOf("log"))));
  WriteFromManyThreads(log);
  const std::vector<std::string> lines = Lines(folder.PathOf("log"));
  EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kRecordsPerThread));
  ExpectEveryRecordOnce(lines);
}

TEST(DiagnosticLogThreadsTest, NothingIsLostAcrossARotation) {
  ScratchTree folder;
  const std::u16string path = Utf8ToUtf16(folder.PathOf("log"));
  ASSERT_TRUE(SetFileSize(path, kLogRotationBytes + 1));
  DiagnosticLog log;
  log.SetLevel(3);
  ASSERT_TRUE(log.Open(path));
  WriteFromManyThreads(log);
  // The first record rotated to the empty partner; all records are there.
  EXPECT_EQ(log.active_path(), Utf8ToUtf16(folder.PathOf("_log")));
  EXPECT_EQ(FileSize(path), kLogRotationBytes + 1);
  ExpectEveryRecordOnce(Lines(folder.PathOf("_log")));
}

TEST(DiagnosticLogThreadsTest, NothingIsLostWhenTheRotationComesInTheMiddle) {
  // The log is 1 MiB short of the rotation size, and the threads write about
  // twice that: the move to the partner happens while they all write.
  ScratchTree folder;
  const std::u16string path = Utf8ToUtf16(folder.PathOf("log"));
  const uint64_t start = kLogRotationBytes - (1 << 20);
  ASSERT_TRUE(SetFileSize(path, start));
  DiagnosticLog log;
  log.SetLevel(3);
  ASSERT_TRUE(log.Open(path));
  WriteFromManyThreads(log);
  EXPECT_EQ(log.active_path(), Utf8ToUtf16(folder.PathOf("_log")));
  std::vector<std::string> lines = Lines(folder.PathOf("log"), start);
  const std::vector<std::string> after = Lines(folder.PathOf("_log"));
  EXPECT_FALSE(lines.empty());
  EXPECT_FALSE(after.empty());
  // The old file ends with the record that took it past the rotation size.
  EXPECT_GT(FileSize(path), kLogRotationBytes);
  lines.insert(lines.end(), after.begin(), after.end());
  EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kRecordsPerThread));
  ExpectEveryRecordOnce(lines);
}

}  // namespace
}  // namespace dravanta
