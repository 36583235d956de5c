#include "platform/file_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(FileReaderTest, ReadsSizeSeeksAndEnds) {
  ScratchTree tree;
  const std::filesystem::path path = tree.PathOf("file");
  std::ofstream(path, std::ios::binary) << "0123456789";
  ReadableFile file;
  ASSERT_TRUE(OpenReadableFile(path.string(), &file, nullptr));
  std::uint64_t size = 0;
  ASSERT_TRUE(ReadableFileSize(file, &size));
  EXPECT_EQ(size, 10u);
  char buffer[16] = {};
  EXPECT_EQ(ReadFromFile(file, buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  ASSERT_TRUE(SeekReadableFile(file, 8));
  EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 2);
  EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 0);
  // The size is the one taken at the open, whatever is appended later.
  std::ofstream(path, std::ios::binary | std::ios::app) << "more";
  ASSERT_TRUE(ReadableFileSize(file, &size));
  EXPECT_EQ(size, 10u);
  ASSERT_TRUE(SeekReadableFile(file, 10));
  EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 4);
  CloseReadableFile(&file);
  EXPECT_EQ(file.handle, kNoFileHandle);
  EXPECT_FALSE(ReadableFileSize(file, &size));
  CloseReadableFile(&file);  // closing twice is harmless
}

TEST(FileReaderTest, MissingFileAndFolderGiveErrorNumbers) {
  ReadableFile file;
  int error_number = 0;
  EXPECT_FALSE(OpenReadableFile("/nonexistent/dravanta", &file, &error_number));
  EXPECT_EQ(error_number, ENOENT);
  EXPECT_FALSE(
      OpenReadableFile(std::filesystem::temp_directory_path().string(), &file, &error_number));
  EXPECT_EQ(error_number, EISDIR);
  EXPECT_EQ(file.handle, kNoFileHandle);
}

TEST(FileReaderTest, FinalLinkIsRefusedUnlessFollowed) {
  ScratchTree tree;
  const std::filesystem::path folder = tree.root();
  std::ofstream(folder / "target", std::ios::binary) << "contents";
  std::filesystem::create_directory(folder / "real");
  std::ofstream(folder / "real" / "inner", std::ios::binary) << "inner";
  std::filesystem::create_symlink(folder / "target", folder / "link");
  std::filesystem::create_directory_symlink(folder / "real", folder / "linked");
  struct Case {
    const char* name;
    FinalLink final_link;
    int error_number;  // 0: opens
  };
  const Case cases[] = {
      {"target", FinalLink::kDoNotFollow, 0},
      {"link", FinalLink::kDoNotFollow, ELOOP},
      {"link", FinalLink::kFollow, 0},
      {"linked/inner", FinalLink::kDoNotFollow, 0},  // links on the way are followed
  };
  for (const Case& c : cases) {
    ReadableFile file;
    int error_number = 0;
    EXPECT_EQ(OpenReadableFile((folder / c.name).string(), &file, &error_number, c.final_link),
              c.error_number == 0)
        << c.name;
    if (c.error_number != 0) {
      EXPECT_EQ(error_number, c.error_number) << c.name;
    }
    CloseReadableFile(&file);
  }
  EXPECT_EQ(FollowFinalLink((folder / "link").string()),
            std::filesystem::canonical(folder / "target").string());
  EXPECT_EQ(FollowFinalLink((folder / "target").string()), (folder / "target").string());
  std::filesystem::create_symlink(folder / "missing", folder / "dangling");
  EXPECT_EQ(FollowFinalLink((folder / "dangling").string()), "");
}

}  // namespace
}  // namespace dravanta
