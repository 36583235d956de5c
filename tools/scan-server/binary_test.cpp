// Runs the scan-server program itself on a free loopback port.
#include <gtest/gtest.h>
#include <httplib.h>

#include "tools/scan-server/child_process.h"
#include "tools/scan-server/file_digest.h"
#include "tools/scan-server/test_files.h"

namespace dravanta::scan_server {
namespace {

using testing::ChildProcess;

constexpr const char* kListeningPrefix = "listening on http://127.0.0.1:";

// Starts the server and returns its port, or 0.
int StartServer(ChildProcess& server) {
  if (!server.started()) return 0;
  std::optional<std::string> line = server.ReadLine(30000);
  if (!line || line->rfind(kListeningPrefix, 0) != 0) return 0;
  std::string rest = line->substr(std::string(kListeningPrefix).size());
  EXPECT_EQ(rest.substr(rest.find('/')), "/dravanta_rest");
  return std::stoi(rest.substr(0, rest.find('/')));
}

std::vector<std::string> ServerArgs(const std::string& db) {
  return {"--listen", "127.0.0.1:0", "--db", db, "--clamav-system-db", "none", "--api-key", "k"};
}

httplib::Client ClientFor(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(5);
  client.set_read_timeout(10);
  client.set_default_headers({{"X-API-Key", "k"}});
  return client;
}

TEST(BinaryTest, ServesScansAndRemembersThemAcrossARestart) {
  testing::TempFolder folder;
  std::string db = (folder.path() / "verdicts.db").string();
  const std::string sha1 = DigestOf(testing::EicarText()).sha1;
  {
    ChildProcess server(DRAVANTA_SCAN_SERVER_BINARY, ServerArgs(db));
    int port = StartServer(server);
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
    server.Terminate();
    EXPECT_EQ(server.Wait(10000), std::optional<int>(0));
  }
  ChildProcess server(DRAVANTA_SCAN_SERVER_BINARY, ServerArgs(db));
  int port = StartServer(server);
  ASSERT_GT(port, 0);
  auto lookup = ClientFor(port).Post("/dravanta_rest/scanner?method=scanmultiple&type=signature",
                                     sha1, "text/plain");
  ASSERT_TRUE(lookup);
  EXPECT_NE(lookup->body.find("<final_scan_result>1</final_scan_result>"), std::string::npos)
      << lookup->body;
  server.Terminate();
  EXPECT_EQ(server.Wait(10000), std::optional<int>(0));
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
    ChildProcess child(DRAVANTA_SCAN_SERVER_BINARY, c.args);
    ASSERT_TRUE(child.started());
    std::string output = child.ReadAll(10000);
    EXPECT_EQ(child.Wait(10000), std::optional<int>(c.exit_code)) << c.args[0];
    EXPECT_NE(output.find(c.output_part), std::string::npos) << output;
  }
}

}  // namespace
}  // namespace dravanta::scan_server
