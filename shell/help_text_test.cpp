#include "shell/help_text.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "shell/client_version.h"

namespace dravanta {
namespace {

TEST(HelpTextTest, NamesEveryKeyWithItsDefaultAndTheExitCodes) {
  const std::string help = HelpText();
  const char* expected[] = {
      "server ",
      "[scan.dravanta.example/dravanta_rest]",
      "thread_count ",
      "[3]",
      "batch_size ",
      "[100]",
      "maximum_file_size_bytes ",
      "[5242880]",
      "scan_location ",
      "[ALL]",
      "log_file ",
      "DravantaClient.log]",
      "log_enable ",
      "scan_type ",
      "banner_image ",
      "show_trayicon ",
      "key ",
      "[5B2D07C4-93AF-4E18-B6D2-0C71E9A4F35D]",
      "auto_start ",
      "exit_on_clean ",
      "exit_on_dirty ",
      "show_ui ",
      "allowed_scan_levels ",
      "[1,2]",
      "DravantaClientConf.ini",
      "  0    ",
      "  1    ",
      "  100  ",
      "--version",
  };
  for (const char* text : expected) EXPECT_NE(help.find(text), std::string::npos) << text;
  EXPECT_EQ(help.back(), '\n');
}

TEST(HelpTextTest, VersionIsTheProjectVersion) {
  EXPECT_EQ(ClientVersion(), u"1.0.0.1");
  EXPECT_EQ(VersionText(), "dravanta-client 1.0.0.1\n");
}

}  // namespace
}  // namespace dravanta
