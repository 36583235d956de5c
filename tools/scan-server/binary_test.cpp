// Runs the scan-server program itself on a free loopback port.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

#include "tests/support/loopback_port.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/subprocess.h"
#include "tools/scan-server/file_digest.h"
#include "tools/scan-server/testing/test_files.h"

namespace dravanta::scan_server {
namespace {

// Starts the server on a free port and waits (bounded) until it accepts
// connections; its port, or 0.
int StartServer(const std::string& db, Subprocess* server) {
  const int port = FindFreeLoopbackPort();
  if (port == 0 || !StartSubprocess({.arguments = {DRAVANTA_SCAN_SERVER_BINARY, "--listen",
                                                   "127.0.0.1:" + std::to_string(port), "--db", db,
                                                   "--clamav-system-db", "none", "--api-key", "k"}},
                                    server)) {
    return 0;
  }
  for (int attempt = 0; attempt < 1500; ++attempt) {
    if (LoopbackPortAccepts(port)) return port;
    if (!SubprocessRunning(server)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

httplib::Client ClientFor(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(5);
  client.set_read_timeout(10);
  client.set_default_headers({{"X-API-Key", "k"}});
  return client;
}

TEST(BinaryTest, ServesScansAndRemembersThemAcrossARestart) {
  ScratchTree folder;
  std::string db = (std::filesystem::path(folder.root()) / "verdicts.db").string();
  const std::string sha1 = DigestOf(testing::EicarText()).sha1;
  {
    Subprocess server;
    int port = StartServer(db, &server);
    ASSERT_GT(port, 0);
    auto client = ClientFor(port);
    auto info = client.Get("/dravanta_rest/scanner?method=getengineinfo");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->status, 200);
    EXPECT_NE(info->body.find("<engine_name>ClamAV</engine_name>"), std::string::npos);
    auto upload = client.Post("/dravanta_rest/scanner?method=scan&filename=eicar.com",
                              testing::EicarText(), "application/octet-stream");
    ASSERT_TRUE(upload);
    EXPECT_NE(upload->body.find("<final_scan_result>1</final_scan_result>"), std::string::npos);
    auto refused =
        httplib::Client("127.0.0.1", port).Get("/dravanta_rest/scanner?method=getengineinfo");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    EXPECT_EQ(StopSubprocess(&server, std::chrono::seconds(2)), 0);
  }
  Subprocess server;
  int port = StartServer(db, &server);
  ASSERT_GT(port, 0);
  auto lookup = ClientFor(port).Post("/dravanta_rest/scanner?method=scanmultiple&type=signature",
                                     sha1, "text/plain");
  ASSERT_TRUE(lookup);
  EXPECT_NE(lookup->body.find("<final_scan_result>1</final_scan_result>"), std::string::npos)
      << lookup->body;
  EXPECT_EQ(StopSubprocess(&server, std::chrono::seconds(2)), 0);
}

TEST(BinaryTest, HelpAndBadArguments) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string output_part;
  } cases[] = {
      {{"--help"}, 0, "usage: scan-server"},
      {{"--listen", "127.0.0.1:70000"}, 2, ""},
      {{"--bogus"}, 2, ""},
      {{"--listen", "127.0.0.1:0", "--data-dir", "/nonexistent-scan-server-data",
        "--clamav-system-db", "none"},
       1,
       ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments{DRAVANTA_SCAN_SERVER_BINARY};
    arguments.insert(arguments.end(), c.args.begin(), c.args.end());
    const SubprocessRun run = RunSubprocess({.arguments = arguments}, std::chrono::seconds(20));
    EXPECT_EQ(run.exit_code, c.exit_code) << c.args[0];
    EXPECT_NE(run.output.find(c.output_part), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace dravanta::scan_server
