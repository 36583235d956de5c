#include "tests/support/subprocess.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

// A shell script whose standard output the test reads.
SubprocessOptions Script(const std::string& script) {
  SubprocessOptions options;
  options.arguments = {"/bin/sh", "-c", script};
  options.output = StreamTo::kPipe;
  return options;
}

TEST(Subprocess, OutputIsReadWhileItRunsInItsFolderAndEnvironment) {
  Subprocess program;
  SubprocessOptions options = Script("echo \"$GREETING from $(pwd)\"; exec sleep 30");
  options.environment = std::vector<std::string>{"GREETING=hello"};
  options.folder = "/";
  ASSERT_TRUE(StartSubprocess(options, &program));
  std::string seen;
  EXPECT_TRUE(ReadOutputUntil(&program, "\n", 5s, &seen));
  EXPECT_EQ(seen, "hello from /\n");
  EXPECT_TRUE(SubprocessRunning(&program));
  EXPECT_EQ(StopSubprocess(&program, 5s), -1);  // ended by the signal
  EXPECT_FALSE(SubprocessRunning(&program));
  EXPECT_EQ(program.exit_code, -1);
}

TEST(Subprocess, ExitCodeAndTheEndOfItsOutput) {
  Subprocess program;
  ASSERT_TRUE(StartSubprocess(Script("echo partial; exit 3"), &program));
  std::string seen;
  EXPECT_FALSE(ReadOutputUntil(&program, "never printed", 5s, &seen));
  EXPECT_EQ(seen, "partial\n");
  EXPECT_TRUE(WaitForSubprocess(&program, 5s));
  EXPECT_EQ(program.exit_code, 3);
}

TEST(Subprocess, AMissingProgramDoesNotStart) {
  Subprocess program;
  EXPECT_FALSE(StartSubprocess({.arguments = {"/nonexistent/program"}}, &program));
  EXPECT_EQ(program.id, -1);
  EXPECT_EQ(RunSubprocess({.arguments = {"/nonexistent/program"}}, 5s).exit_code, -1);
}

TEST(Subprocess, OneThatIgnoresTermIsKilledAfterTheBound) {
  Subprocess program;
  ASSERT_TRUE(
      StartSubprocess(Script("trap '' TERM; echo ready; while :; do sleep 1; done"), &program));
  std::string seen;
  ASSERT_TRUE(ReadOutputUntil(&program, "ready", 5s, &seen));
  EXPECT_EQ(StopSubprocess(&program, 100ms), -1);
  EXPECT_EQ(program.id, -1);
}

TEST(Subprocess, StreamsGoToFilesOrNowhere) {
  ScratchTree tree;
  SubprocessOptions options = Script("echo out; echo err >&2");
  options.output = StreamTo::kFile;
  options.output_file = tree.PathOf("out.txt");
  options.errors = StreamTo::kFile;
  options.error_file = tree.PathOf("err.txt");
  // Files are appended to, twice over.
  for (int round = 0; round < 2; ++round) {
    Subprocess program;
    ASSERT_TRUE(StartSubprocess(options, &program));
    EXPECT_EQ(program.output, -1);
    EXPECT_TRUE(WaitForSubprocess(&program, 5s));
    EXPECT_EQ(program.exit_code, 0);
  }
  EXPECT_EQ(ReadWholeFile(tree.PathOf("out.txt")), "out\nout\n");
  EXPECT_EQ(ReadWholeFile(tree.PathOf("err.txt")), "err\nerr\n");

  Subprocess quiet;
  ASSERT_TRUE(StartSubprocess({.arguments = options.arguments}, &quiet));
  EXPECT_EQ(quiet.output, -1);
  EXPECT_EQ(quiet.errors, -1);
  EXPECT_TRUE(WaitForSubprocess(&quiet, 5s));
  EXPECT_EQ(quiet.exit_code, 0);
}

TEST(Subprocess, ARunCollectsBothOutputsAndItsCode) {
  const SubprocessRun run =
      RunSubprocess({.arguments = {"sh", "-c", "echo out; echo err >&2; exit 4"}}, 10s);
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_EQ(run.output, "out\n");
  EXPECT_EQ(run.errors, "err\n");
}

TEST(Subprocess, ARunPastItsLimitIsKilled) {
  const SubprocessRun run =
      RunSubprocess({.arguments = {"sh", "-c", "echo early; exec sleep 30"}}, 2s);
  EXPECT_EQ(run.exit_code, -1);
  EXPECT_EQ(run.output, "early\n");
}

TEST(Subprocess, ProgramsOnPath) {
  EXPECT_TRUE(ProgramOnPath("sh"));
  EXPECT_FALSE(ProgramOnPath("no-such-program-anywhere"));
}

}  // namespace
}  // namespace dravanta
