// Test helper: a child process writes in a loop and is killed at seeded
// random moments, so a test can look at what each kill left behind.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

namespace dravanta {

// Runs `rounds` rounds: fork a child that calls write(0), write(1), ...
// without end, let it run for a random time of at most `longest`, kill it
// with SIGKILL, reap it, then call check(round).
inline void KillWhileWriting(unsigned seed, int rounds, std::chrono::microseconds longest,
                             const std::function<void(long counter)>& write,
                             const std::function<void(int round)>& check) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> pause(0, longest.count());
  for (int round = 0; round < rounds; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (long counter = 0;; ++counter) write(counter);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself in round " << round;
    check(round);
    if (testing::Test::HasFatalFailure()) return;
  }
}

// The entries of `folder` whose names start with `prefix`.
inline int CountEntries(const std::filesystem::path& folder, const std::string& prefix) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
  }
  return count;
}

}  // namespace dravanta
