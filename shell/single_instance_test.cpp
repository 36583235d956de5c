#include "shell/single_instance.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/path_separator.h"

namespace dravanta {
namespace {

std::vector<ProcessEntry> Processes(std::initializer_list<std::u16string> paths) {
  std::vector<ProcessEntry> processes;
  int pid = 100;
  for (const auto& path : paths) processes.push_back(ProcessEntry{pid++, path});
  return processes;
}

TEST(SingleInstanceTest, TwoProcessesWithTheSameFileNameMeanAnotherInstance) {
  const std::u16string long_name(80, u'n');  // longer than any fixed name buffer
  struct Case {
    const char* what;
    std::u16string name;
    std::vector<ProcessEntry> processes;
    bool another;
  } cases[] = {
      {"only itself", u"dravanta-client", Processes({u"/opt/d/dravanta-client", u"/bin/sh"}),
       false},
      {"a second copy elsewhere", u"dravanta-client",
       Processes({u"/opt/d/dravanta-client", u"/tmp/x/dravanta-client"}), true},
      {"three copies", u"dravanta-client",
       Processes({u"/a/dravanta-client", u"/b/dravanta-client", u"/c/dravanta-client"}), true},
      {"a copy under another name", u"dravanta-client",
       Processes({u"/opt/d/dravanta-client", u"/opt/d/dravanta-client-copy"}), false},
      {"names differ in case", u"dravanta-client",
       Processes({u"/opt/d/dravanta-client", u"/opt/d/Dravanta-Client"}), false},
      {"a folder of that name does not count", u"dravanta-client",
       Processes({u"/opt/d/dravanta-client", u"/dravanta-client/other"}), false},
      {"a replaced executable", u"dravanta-client",
       Processes({u"/opt/d/dravanta-client", u"/opt/d/dravanta-client (deleted)"}), false},
      {"long names compare whole", long_name, Processes({u"/a/" + long_name, u"/b/" + long_name}),
       true},
      {"long names that differ late", long_name,
       Processes({u"/a/" + long_name, u"/b/" + long_name + u"x"}), false},
      {"nothing listed", u"dravanta-client", {}, false},
      {"paths with the system's own separator", u"dravanta-client.exe",
       Processes({std::u16string(u"C:") + kPathSeparator + u"dravanta-client.exe",
                  std::u16string(u"D:") + kPathSeparator + u"x" + kPathSeparator +
                      u"dravanta-client.exe"}),
       true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountsAnotherInstance(c.name, c.processes), c.another) << c.what;
  }
}

TEST(SingleInstanceTest, ThisTestRunsOnce) {
  // The test executable's own name matches only itself.
  EXPECT_FALSE(IsAnotherInstanceRunning(u""));
  EXPECT_FALSE(IsAnotherInstanceRunning(u"shell_single_instance_test"));
  EXPECT_FALSE(IsAnotherInstanceRunning(u"no-such-program-name"));
}

}  // namespace
}  // namespace dravanta
