#include "tools/scan-server/command_line.h"

#include <gtest/gtest.h>

namespace dravanta::scan_server {
namespace {

TEST(CommandLineTest, DefaultsWithoutArguments) {
  CommandLine line = ParseCommandLine({});
  EXPECT_EQ(line.error, "");
  EXPECT_FALSE(line.help);
  EXPECT_EQ(line.options.host, "127.0.0.1");
  EXPECT_EQ(line.options.port, 8008);
  EXPECT_EQ(line.options.db_path, "");
  EXPECT_EQ(line.options.api_key, "");
  EXPECT_EQ(line.options.max_upload_bytes, 100u * 1024 * 1024);
  EXPECT_EQ(line.options.max_signatures, 10000u);
}

TEST(CommandLineTest, AcceptedArguments) {
  struct Case {
    std::vector<std::string> args;
    std::string host;
    int port;
  } cases[] = {
      {{"--listen", "127.0.0.1:0"}, "127.0.0.1", 0},
      {{"--listen", "localhost:65535"}, "localhost", 65535},
      {{"--listen=0.0.0.0:9000"}, "0.0.0.0", 9000},
      {{"--listen", "[::1]:8080"}, "::1", 8080},
  };
  for (const auto& c : cases) {
    CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(line.error, "") << c.args[0];
    EXPECT_EQ(line.options.host, c.host) << c.args[0];
    EXPECT_EQ(line.options.port, c.port) << c.args[0];
  }
  CommandLine line =
      ParseCommandLine({"--db", "/tmp/v.db", "--api-key", "k=1", "--max-upload-bytes", "1",
                        "--max-signatures=100", "--data-dir", "/d", "--clamav-system-db", "none"});
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.options.db_path, "/tmp/v.db");
  EXPECT_EQ(line.options.api_key, "k=1");
  EXPECT_EQ(line.options.max_upload_bytes, 1u);
  EXPECT_EQ(line.options.max_signatures, 100u);
  EXPECT_EQ(line.options.data_folder, "/d");
  EXPECT_EQ(line.options.system_clamav_folder, "none");
}

TEST(CommandLineTest, RefusedArguments) {
  struct Case {
    std::vector<std::string> args;
    std::string error_part;
  } cases[] = {
      {{"--listen", "127.0.0.1"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", "127.0.0.1:65536"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", "127.0.0.1:-1"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", "127.0.0.1:99999999999999999999999"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", ":80"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", "::1:80"}, "--listen needs ADDRESS:PORT"},
      {{"--listen", "[]:80"}, "--listen needs ADDRESS:PORT"},
      {{"--listen"}, "--listen needs a value"},
      {{"--db", ""}, "--db needs a value"},
      {{"--max-upload-bytes", "0"}, "--max-upload-bytes needs a whole number"},
      {{"--max-upload-bytes", "99999999999999999999"}, "--max-upload-bytes needs a whole number"},
      {{"--max-upload-bytes", "12k"}, "--max-upload-bytes needs a whole number"},
      {{"--max-upload-bytes", "+5"}, "--max-upload-bytes needs a whole number"},
      {{"--max-signatures", "100000001"}, "--max-signatures needs a whole number"},
      {{"--max-signatures", ""}, "--max-signatures needs a whole number"},
      {{"--verbose"}, "unknown argument '--verbose'"},
      {{"8008"}, "unknown argument '8008'"},
  };
  for (const auto& c : cases) {
    CommandLine line = ParseCommandLine(c.args);
    EXPECT_NE(line.error.find(c.error_part), std::string::npos)
        << c.args[0] << " gave '" << line.error << "'";
  }
}

TEST(CommandLineTest, HelpWins) {
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--listen", "127.0.0.1:1", "-h"}).help);
  EXPECT_NE(UsageText().find("--max-signatures"), std::string::npos);
}

TEST(CommandLineTest, ServerUrlBracketsIpv6) {
  EXPECT_EQ(ServerUrl("127.0.0.1", 8008), "http://127.0.0.1:8008/dravanta_rest");
  EXPECT_EQ(ServerUrl("::1", 9), "http://[::1]:9/dravanta_rest");
}

}  // namespace
}  // namespace dravanta::scan_server
