#include "platform/background_program.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dravanta {
namespace {

using namespace std::chrono_literals;

const std::string kErrors = std::filesystem::temp_directory_path() / "background_program_test.err";

TEST(BackgroundProgram, OutputIsReadWhileItRunsInItsFolderAndEnvironment) {
  BackgroundProgram program;
  ASSERT_TRUE(
      StartBackgroundProgram({"/bin/sh", "-c", "echo \"$GREETING from $(pwd)\"; exec sleep 30"},
                             {"GREETING=hello"}, "/", kErrors, &program));
  std::string seen;
  EXPECT_TRUE(ReadOutputUntil(&program, "\n", 5s, &seen));
  EXPECT_EQ(seen, "hello from /\n");
  EXPECT_TRUE(BackgroundProgramRunning(&program));
  EndBackgroundProgram(&program, 5s);
  EXPECT_FALSE(BackgroundProgramRunning(&program));
  EXPECT_EQ(program.exitCode, -1);  // ended by the signal
}

TEST(BackgroundProgram, ExitCodeAndTheEndOfItsOutput) {
  BackgroundProgram program;
  ASSERT_TRUE(StartBackgroundProgram({"/bin/sh", "-c", "echo partial; exit 3"}, {}, "/", kErrors,
                                     &program));
  std::string seen;
  EXPECT_FALSE(ReadOutputUntil(&program, "never printed", 5s, &seen));
  EXPECT_EQ(seen, "partial\n");
  EXPECT_TRUE(WaitForBackgroundProgram(&program, 5s));
  EXPECT_EQ(program.exitCode, 3);
}

TEST(BackgroundProgram, AMissingProgramDoesNotStart) {
  BackgroundProgram program;
  EXPECT_FALSE(StartBackgroundProgram({"/nonexistent/program"}, {}, "/", kErrors, &program));
  EXPECT_EQ(program.id, -1);
}

}  // namespace
}  // namespace dravanta
