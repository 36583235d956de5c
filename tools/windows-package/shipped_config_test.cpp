// The configuration file shipped with the Windows package (zip and MSI):
// every key is listed, commented out, with its default. As shipped it
// changes nothing; with every key switched on it still changes nothing, so
// the defaults it shows are the real ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "platform/executable_path.h"
#include "platform/text.h"
#include "shell/config_file_reader.h"

namespace dravanta {
namespace {

// Every key the client reads.
const char16_t* const kKeys[] = {
    u"server",        u"thread_count",  u"batch_size", u"maximum_file_size_bytes",
    u"scan_location", u"log_file",      u"log_enable", u"scan_type",
    u"banner_image",  u"show_trayicon", u"key",        u"auto_start",
    u"exit_on_clean", u"exit_on_dirty", u"show_ui",    u"allowed_scan_levels",
    u"json_report",
};

auto Fields(const ClientSettings& s) {
  return std::tie(s.module_directory, s.server, s.thread_count, s.batch_size,
                  s.maximum_file_size_bytes, s.scan_location, s.log_file, s.scan_type,
                  s.banner_image, s.show_trayicon, s.key, s.auto_start, s.exit_on_clean,
                  s.exit_on_dirty, s.show_ui, s.allowed_scan_levels, s.json_report);
}

std::filesystem::path PathOf(const std::u16string& name) {
  return std::filesystem::path(ExecutableDirectory() + name);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ShippedConfigTest : public testing::Test {
 protected:
  // The settings and the log switch read from `file` (beside the test).
  struct Read {
    ClientSettings settings;
    int log_switch;
    ConfigFileReader reader;
  };
  static void Load(const std::u16string& file, Read* read) {
    read->reader.Load({}, ExecutableDirectory() + file, ExecutableDirectory());
    read->settings = read->reader.ReadSettings();
    read->log_switch = read->reader.LogEnableSwitch();
  }
  void SetUp() override {
    ASSERT_FALSE(ExecutableDirectory().empty());
    shipped_ = ReadBytes(PathOf(u"DravantaClientConf.ini"));
    ASSERT_FALSE(shipped_.empty()) << "DravantaClientConf.ini beside the test";
    Load(u"no-such-configuration.ini", &defaults_);
  }

  std::string shipped_;
  Read defaults_;
};

TEST_F(ShippedConfigTest, AsShippedItIsTheClientSectionAndChangesNothing) {
  Read read;
  Load(u"DravantaClientConf.ini", &read);
  EXPECT_EQ(read.reader.section_names(), std::vector<std::u16string>{u"dravantaclient"});
  for (const char16_t* key : kKeys) {
    EXPECT_EQ(read.reader.Lookup(key), u"") << Utf16ToUtf8(key);
  }
  EXPECT_TRUE(Fields(read.settings) == Fields(defaults_.settings));
  EXPECT_EQ(read.log_switch, defaults_.log_switch);
}

TEST_F(ShippedConfigTest, EveryKeyIsListedWithItsDefault) {
  // Each commented key line with its ";" taken away.
  std::string uncommented = shipped_;
  for (const char16_t* key : kKeys) {
    const std::string line_start = "\n;" + Utf16ToUtf8(key) + "=";
    const size_t at = uncommented.find(line_start);
    ASSERT_NE(at, std::string::npos) << line_start.substr(1);
    uncommented.erase(at + 1, 1);
  }
  {
    std::ofstream out(PathOf(u"uncommented-configuration.ini"), std::ios::binary);
    out << uncommented;
  }
  Read read;
  Load(u"uncommented-configuration.ini", &read);
  KeyValueMap expected_keys;
  for (const char16_t* key : kKeys) expected_keys[key];
  KeyValueMap keys_found;
  for (const auto& [key, value] : read.reader.file_entries()) keys_found[key];
  EXPECT_EQ(keys_found, expected_keys);
  EXPECT_TRUE(Fields(read.settings) == Fields(defaults_.settings));
  EXPECT_EQ(read.log_switch, defaults_.log_switch);
}

TEST_F(ShippedConfigTest, LinesEndWithCarriageReturnAndLineFeed) {
  size_t line_feeds = 0;
  for (size_t i = 0; i < shipped_.size(); ++i) {
    if (shipped_[i] != '\n') continue;
    ++line_feeds;
    EXPECT_TRUE(i > 0 && shipped_[i - 1] == '\r') << "line " << line_feeds;
  }
  EXPECT_GT(line_feeds, 17u);
  EXPECT_EQ(shipped_.back(), '\n');
}

}  // namespace
}  // namespace dravanta
