#include "shell/app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// A window that records what start-up does with it and ends with a chosen
// result.
struct WindowRecord {
  std::vector<std::string> calls;
  ClientSettings settings;
};

class TestWindow : public MainWindow {
 public:
  TestWindow(WindowRecord* record, int result) : record_(record), result_(result) {
    record_->calls.push_back("construct");
  }
  ~TestWindow() override { record_->calls.push_back("destroy"); }
  void TakeSettings(const ClientSettings& settings) override {
    record_->calls.push_back("settings");
    record_->settings = settings;
  }
  int DoModal() override {
    record_->calls.push_back("modal");
    return result_;
  }

 private:
  WindowRecord* record_;
  int result_;
};

class AppTest : public testing::Test {
 protected:
  AppEnvironment Environment(int result, bool another_instance = false) {
    AppEnvironment environment;
    environment.arguments = {u"/Thread_Count=8"};
    environment.executable_path = Utf8ToUtf16(folder_.PathOf("dravanta-client"));
    environment.create_main_window = [this, result] {
      return std::make_unique<TestWindow>(&record_, result);
    };
    environment.another_instance_running = [this, another_instance] {
      log_opened_before_instance_test_ = !log_.active_path().empty();
      return another_instance;
    };
    environment.show_message = [this](std::u16string_view caption, std::u16string_view text) {
      messages_.push_back(Utf16ToUtf8(caption) + "|" + Utf16ToUtf8(text));
    };
    environment.log = &log_;
    return environment;
  }

  ScratchTree folder_;
  DiagnosticLog log_;
  WindowRecord record_;
  std::vector<std::string> messages_;
  bool log_opened_before_instance_test_ = false;
};

TEST(ExitCodeTest, WindowResultsMapToExitCodes) {
  struct Case {
    int result, exit_code;
  } cases[] = {{0, 0}, {1, 1}, {100, 100}, {2, 100}, {-1, 100}, {2147483647, 100}};
  for (const auto& c : cases) EXPECT_EQ(ExitCodeForWindowResult(c.result), c.exit_code);
}

TEST_F(AppTest, ExitCodeStartsAt100) {
  CQn5raClntApp app(Environment(0));
  EXPECT_EQ(app.exit_code(), 100);
  EXPECT_EQ(app.ExitInstance(), 100);
}

TEST_F(AppTest, TheWindowsResultBecomesTheExitCode) {
  struct Case {
    int result, exit_code;
  } cases[] = {{0, 0}, {1, 1}, {5, 100}, {100, 100}, {-7, 100}};
  for (const auto& c : cases) {
    record_ = WindowRecord();
    CQn5raClntApp app(Environment(c.result));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), c.exit_code) << c.result;
    EXPECT_THAT(record_.calls, ElementsAre("construct", "settings", "modal", "destroy"));
  }
  EXPECT_THAT(messages_, IsEmpty());
}

TEST_F(AppTest, TheWindowGetsEverySettingBeforeItRuns) {
  WriteWholeFile(folder_.PathOf("DravantaClientConf.ini"), "[dravantaclient]\nbatch_size=20\n");
  CQn5raClntApp app(Environment(0));
  app.InitInstance();
  EXPECT_EQ(record_.settings.thread_count, u"8");
  EXPECT_EQ(record_.settings.batch_size, u"20");
  EXPECT_EQ(record_.settings.module_directory, Utf8ToUtf16(folder_.root()) + kPathSeparator);
  EXPECT_EQ(app.configuration().ThreadCount(), u"8");
}

TEST_F(AppTest, ASecondInstanceIsWarnedAndEndsWith100WithoutRunningTheWindow) {
  CQn5raClntApp app(Environment(0, /*another_instance=*/true));
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 100);
  EXPECT_THAT(record_.calls, ElementsAre("construct", "settings", "destroy"));
  EXPECT_THAT(
      messages_,
      ElementsAre("Failed to launch Workstation Scanner|Another instance of Dravanta Client "
                  "is already running. Please make sure the other instance of Dravanta "
                  "Client is not in progress and close it before launchng another "
                  "Scanner."));
  EXPECT_TRUE(log_opened_before_instance_test_);  // configuration comes first
}

TEST_F(AppTest, UnknownExecutablePathEndsWith100Silently) {
  AppEnvironment environment = Environment(0);
  environment.executable_path.clear();
  bool instance_test_ran = false;
  environment.another_instance_running = [&] { return instance_test_ran = true; };
  CQn5raClntApp app(std::move(environment));
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 100);
  EXPECT_THAT(record_.calls, ElementsAre("construct", "destroy"));
  EXPECT_FALSE(instance_test_ran);
  EXPECT_THAT(messages_, IsEmpty());
  EXPECT_EQ(log_.active_path(), u"");
}

TEST_F(AppTest, NoWindowEndsWith100) {
  AppEnvironment environment = Environment(0);
  environment.create_main_window = [] { return std::unique_ptr<MainWindow>(); };
  CQn5raClntApp app(std::move(environment));
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 100);
}

TEST_F(AppTest, ExitInstanceClosesTheLog) {
  CQn5raClntApp app(Environment(0));
  app.InitInstance();
  log_.Write(LogKind::kError, "x.cpp", 1, u"while running", {});
  app.ExitInstance();
  log_.Write(LogKind::kError, "x.cpp", 1, u"after the end", {});
  const std::string bytes = ReadWholeFile(folder_.PathOf("DravantaClient.log"));
  EXPECT_NE(bytes.find(std::string("w\0h\0i\0l\0e", 9)), std::string::npos);
  EXPECT_EQ(bytes.find(std::string("a\0f\0t\0e\0r", 9)), std::string::npos);
}

}  // namespace
}  // namespace dravanta
