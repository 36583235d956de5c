#include "shell/load_configuration.h"

#include <gtest/gtest.h>

#include "platform/path_separator.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(ModuleDirectoryTest, FolderOfTheExecutableWithItsSlash) {
  EXPECT_EQ(ModuleDirectoryOf(u"/opt/dravanta/dravanta-client"), u"/opt/dravanta/");
  EXPECT_EQ(ModuleDirectoryOf(u"/dravanta-client"), u"/");
  EXPECT_EQ(ModuleDirectoryOf(u"dravanta-client"), u"");
  EXPECT_EQ(ModuleDirectoryOf(u""), u"");
  const std::u16string deep = u"/" + std::u16string(300, u'd') + u"/x";  // no length limit
  EXPECT_EQ(ModuleDirectoryOf(deep), deep.substr(0, deep.size() - 1));
  // The system's own separator ("\\" on Windows).
  const std::u16string folder = std::u16string(u"C:") + kPathSeparator + u"Client" + kPathSeparator;
  EXPECT_EQ(ModuleDirectoryOf(folder + u"dravanta-client.exe"), folder);
}

TEST(LoadConfigurationTest, ReadsTheFileBesideTheExecutableAndTheArguments) {
  ScratchTree folder;
  WriteWholeFile(folder.PathOf("DravantaClientConf.ini"),
                 "[dravantaclient]\r\nthread_count=7\r\nserver=file.example/dravanta_rest\r\n"
                 "log_enable=2\r\n");
  const std::u16string executable = Utf8ToUtf16(folder.PathOf("dravanta-client"));
  ConfigFileReader reader;
  DiagnosticLog log;
  ClientSettings settings;
  ASSERT_TRUE(LoadConfiguration({u"/THREAD_COUNT=9", u"-batch_size=50", u"/p"}, executable, &reader,
                                &log, &settings));
  EXPECT_EQ(settings.module_directory, Utf8ToUtf16(folder.root()) + kPathSeparator);
  EXPECT_EQ(settings.thread_count, u"9");
  EXPECT_EQ(settings.batch_size, u"50");
  EXPECT_EQ(settings.server, u"file.example/dravanta_rest");
  EXPECT_EQ(settings.log_file, Utf8ToUtf16(folder.PathOf("DravantaClient.log")));
  EXPECT_EQ(log.level(), 3);
  EXPECT_EQ(log.active_path(), settings.log_file);
  EXPECT_EQ(reader.file_path(), Utf8ToUtf16(folder.PathOf("DravantaClientConf.ini")));
}

TEST(LoadConfigurationTest, UnknownExecutablePathReadsNothing) {
  ConfigFileReader reader;
  DiagnosticLog log;
  ClientSettings settings;
  settings.server = u"untouched";
  EXPECT_FALSE(LoadConfiguration({u"server=x"}, u"", &reader, &log, &settings));
  EXPECT_EQ(settings.server, u"untouched");
  EXPECT_EQ(log.active_path(), u"");
}

TEST(LoadConfigurationTest, MissingLogFolderStillLoadsEverySetting) {
  ScratchTree folder;
  ConfigFileReader reader;
  DiagnosticLog log;
  ClientSettings settings;
  ASSERT_TRUE(LoadConfiguration({u"log_file=" + Utf8ToUtf16(folder.PathOf("no/such/dir/x.log"))},
                                Utf8ToUtf16(folder.PathOf("dravanta-client")), &reader, &log,
                                &settings));
  EXPECT_EQ(settings.key, u"5B2D07C4-93AF-4E18-B6D2-0C71E9A4F35D");
  log.Write(LogKind::kError, "x.cpp", 1, u"dropped", {});
}

}  // namespace
}  // namespace dravanta
