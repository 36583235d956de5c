// A scratch program folder and home folder for saving reports in tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "report/report_file.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {

class ReportFoldersTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.root();
    std::filesystem::create_directories(root_ / "program");
    std::filesystem::create_directories(root_ / "home");
    folders_.programFolder = Utf8ToUtf16((root_ / "program").string() + "/");
    folders_.homeFolder = Utf8ToUtf16((root_ / "home").string());
  }

  // The whole content of a file, empty when it cannot be read.
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  ScratchTree scratch_;  // removed after the members below
  std::filesystem::path root_;
  ReportFolders folders_;
};

}  // namespace dravanta
