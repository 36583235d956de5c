#include "platform/file_info.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/file_reader.h"
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
  // Whether the entry (the folder itself for "") opens as a readable file.
  bool OpensForReading(const std::string& name) const {
    ReadableFile file;
    const std::string path = name.empty() ? dir_ : dir_ + "/" + name;
    const bool opened = OpenReadableFile(path, &file, nullptr, FinalLink::kFollow);
    CloseReadableFile(&file);
    return opened;
  }
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

TEST_F(FileInfoTest, AppendCreatesAFileForItsOwnerOnlyAndKeepsAnExistingMode) {
  const auto mode = [this](const char* name) {
    struct stat info {};
    EXPECT_EQ(stat((dir_ + "/" + name).c_str(), &info), 0);
    return info.st_mode & 07777;
  };
  ASSERT_NE(AppendFile::Open(Path("new"), true), nullptr);
  EXPECT_EQ(mode("new") & 0077, 0u) << std::oct << mode("new");
  EXPECT_EQ(mode("new") & 0600, 0600u) << std::oct << mode("new");
  WriteFile("shared", "x");
  ASSERT_EQ(chmod((dir_ + "/shared").c_str(), 0644), 0);
  ASSERT_NE(AppendFile::Open(Path("shared"), true), nullptr);
  EXPECT_EQ(mode("shared"), 0644u);
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
  EXPECT_TRUE(OpensForReading("log"));
  first.reset();
  EXPECT_NE(AppendFile::Open(Path("log"), true), nullptr);
}

TEST_F(FileInfoTest, AppendRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(AppendFile::Open(Path("fifo"), false), nullptr);
  EXPECT_EQ(AppendFile::Open(Utf8ToUtf16(dir_), false), nullptr);
  EXPECT_EQ(AppendFile::Open(Path("no/such/folder/log"), false), nullptr);
}

TEST_F(FileInfoTest, ReadingGivesTheWholeFileInPieces) {
  WriteFile("data", std::string(10000, 'q') + "end");
  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(dir_ + "/data", &file, nullptr, FinalLink::kFollow));
  ReadableFileCloser closer{&file};
  std::string all;
  char buffer[4096];
  for (int64_t n; (n = ReadFromFile(file, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  EXPECT_EQ(all, std::string(10000, 'q') + "end");
}

TEST_F(FileInfoTest, OpeningForReadingRefusesFoldersFifosAndMissingFiles) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  EXPECT_FALSE(OpensForReading("fifo"));  // and does not block
  EXPECT_FALSE(OpensForReading(""));      // the folder itself
  EXPECT_FALSE(OpensForReading("missing"));
}

}  // namespace
}  // namespace dravanta
