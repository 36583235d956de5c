#include "platform/file_info.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/sequential_file.h"
#include "platform/text.h"

namespace dravanta {
namespace {

class FileInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/file_info_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::u16string Path(const std::string& name) const { return Utf8ToUtf16(dir_ + "/" + name); }
  void WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
};

TEST_F(FileInfoTest, SizeAndTimeOfAFileAndOfNothing) {
  WriteFile("a", "12345");
  EXPECT_EQ(FileSize(Path("a")), 5u);
  EXPECT_GT(LastWriteTime(Path("a")), 0);
  EXPECT_EQ(FileSize(Path("missing")), std::nullopt);
  EXPECT_EQ(LastWriteTime(Path("missing")), kEarliestFileTime);
}

TEST_F(FileInfoTest, LastWriteTimeCanBeSetAndReadBack) {
  WriteFile("a", "x");
  const FileTime times[] = {FileTime{1700000000} * 1000000000 + 123456789, 1000000000,
                            -1500000000};  // before 1970 too
  for (const FileTime time : times) {
    ASSERT_TRUE(SetLastWriteTime(Path("a"), time));
    EXPECT_EQ(LastWriteTime(Path("a")), time);
  }
  EXPECT_FALSE(SetLastWriteTime(Path("missing"), 1000000000));
}

TEST_F(FileInfoTest, SizesPastFourGibibytesAreExact) {
  const uint64_t size = (uint64_t{5} << 30) + 1;
  ASSERT_TRUE(SetFileSize(Path("sparse"), size));
  EXPECT_EQ(FileSize(Path("sparse")), size);
}

TEST_F(FileInfoTest, DeleteRemovesAndReportsMissing) {
  WriteFile("a", "x");
  EXPECT_TRUE(DeleteFile(Path("a")));
  EXPECT_EQ(FileSize(Path("a")), std::nullopt);
  EXPECT_FALSE(DeleteFile(Path("a")));
}

TEST_F(FileInfoTest, AppendKeepsWhatWasThereAndAddsEveryByte) {
  WriteFile("log", "old");
  auto file = AppendFile::Open(Path("log"), false);
  ASSERT_NE(file, nullptr);
  const std::string more("\0new\xff", 5);
  EXPECT_TRUE(file->Write(more.data(), more.size()));
  EXPECT_EQ(ReadFile("log"), "old" + more);  // nothing held back in the process
}

TEST_F(FileInfoTest, NamesWithInvalidUtf8RoundTrip) {
  const std::u16string name = Path("bad\xff\xfe name");
  auto file = AppendFile::Open(name, false);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->Write("x", 1));
  EXPECT_EQ(ReadFile("bad\xff\xfe name"), "x");
}

TEST_F(FileInfoTest, SoleWriterKeepsASecondWriterOutButNotReaders) {
  auto first = AppendFile::Open(Path("log"), true);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(AppendFile::Open(Path("log"), true), nullptr);
  EXPECT_NE(SequentialFile::Open(Path("log")), nullptr);
  first.reset();
  EXPECT_NE(AppendFile::Open(Path("log"), true), nullptr);
}

TEST_F(FileInfoTest, AppendRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(AppendFile::Open(Path("fifo"), false), nullptr);
  EXPECT_EQ(AppendFile::Open(Utf8ToUtf16(dir_), false), nullptr);
  EXPECT_EQ(AppendFile::Open(Path("no/such/folder/log"), false), nullptr);
}

TEST_F(FileInfoTest, SequentialReadGivesTheWholeFileInPieces) {
  WriteFile("data", std::string(10000, 'q') + "end");
  auto file = SequentialFile::Open(Path("data"));
  ASSERT_NE(file, nullptr);
  std::string all;
  char buffer[4096];
  for (int64_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  EXPECT_EQ(all, std::string(10000, 'q') + "end");
}

TEST_F(FileInfoTest, SequentialOpenRefusesFoldersFifosAndMissingFiles) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(SequentialFile::Open(Path("fifo")), nullptr);  // and does not block
  EXPECT_EQ(SequentialFile::Open(Utf8ToUtf16(dir_)), nullptr);
  EXPECT_EQ(SequentialFile::Open(Path("missing")), nullptr);
}

}  // namespace
}  // namespace dravanta
