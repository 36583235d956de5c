// The real program's page host under hostile requests: each request of the
// table gets its expected answer, and only the page's own requests with the
// token run anything. Requests are written as raw bytes to 127.0.0.1, so the
// Host and Origin headers can be anything.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/socket_io.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/subprocess.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Answer {
  int status = 0;  // 0: the connection ended without an answer
  std::string body;
  std::chrono::milliseconds took{0};
};

Answer ParseAnswer(const std::string& raw) {
  Answer answer;
  const bool statusLine =
      raw.size() >= 12 && (raw.rfind("HTTP/1.1 ", 0) == 0 || raw.rfind("HTTP/1.0 ", 0) == 0);
  if (statusLine) answer.status = std::atoi(raw.substr(9, 3).c_str());
  const size_t bodyStart = raw.find("\r\n\r\n");
  if (bodyStart != std::string::npos) answer.body = raw.substr(bodyStart + 4);
  return answer;
}

// The program, started with a fresh home, log and state folder of its own.
class PageHostProgram : public testing::Test {
 protected:
  void SetUp() override {
    const char* client = std::getenv("DRAVANTA_CLIENT");
    ASSERT_NE(client, nullptr) << "DRAVANTA_CLIENT names the program under test";
    root_ = scratch_.root();
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "targets");
    std::ofstream(root_ / "targets" / "a.txt") << "some text\n";
    ASSERT_TRUE(server_.Start());
    server_.SetEngines(2);
    const std::vector<std::string> environment = {
        "PATH=/usr/bin:/bin", "HOME=" + (root_ / "home").string(),
        "XDG_STATE_HOME=" + (root_ / "state").string(), "LANG=C.UTF-8", "DRAVANTA_NO_BROWSER=1",
        // The sanitizer settings of the test run reach the program too.
        std::string("ASAN_OPTIONS=") +
            (std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : ""),
        std::string("UBSAN_OPTIONS=") +
            (std::getenv("UBSAN_OPTIONS") ? std::getenv("UBSAN_OPTIONS") : "")};
    SubprocessOptions options;
    options.arguments = {client,
                         "show_ui=1",
                         "log_enable=1",
                         "log_file=" + LogPath(),
                         "server=" + server_.Url(),
                         "allowed_scan_levels=0,1,2"};
    options.environment = environment;
    options.folder = (root_ / "home").string();
    options.output = StreamTo::kPipe;
    options.errors = StreamTo::kFile;
    options.error_file = (root_ / "stderr.txt").string();
    ASSERT_TRUE(StartSubprocess(options, &program_));
    std::string seen;
    ASSERT_TRUE(ReadOutputUntil(&program_, "\n", 30s, &seen)) << seen;
    // "Dravanta Client page: http://127.0.0.1:<port>/?token=<32 hex digits>"
    const std::string lead = "Dravanta Client page: http://127.0.0.1:";
    const size_t at = seen.find(lead);
    ASSERT_NE(at, std::string::npos) << seen;
    const size_t portEnd = seen.find("/?token=", at);
    ASSERT_NE(portEnd, std::string::npos) << seen;
    port_ = std::atoi(seen.substr(at + lead.size(), portEnd - at - lead.size()).c_str());
    token_ = seen.substr(portEnd + 8, 32);
    ASSERT_GT(port_, 0) << seen;
    ASSERT_EQ(token_.find_first_not_of("0123456789abcdef"), std::string::npos) << seen;
    ASSERT_EQ(token_.size(), 32u) << seen;
  }
  void TearDown() override {
    StopSubprocess(&program_, 10s);
    // In the sanitizer builds the program is checked too.
    std::ifstream errors(root_ / "stderr.txt");
    const std::string said(std::istreambuf_iterator<char>(errors), {});
    EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
    EXPECT_EQ(said.find("runtime error"), std::string::npos) << said;
    server_.Stop();
  }

  std::string LogPath() const { return (root_ / "client.log").string(); }
  std::string Own() const { return "127.0.0.1:" + std::to_string(port_); }

  // The log is UTF-16LE; the markers are plain ASCII.
  bool LogHas(const std::string& marker) const {
    std::ifstream in(LogPath(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string wide;
    for (const char c : marker) {
      wide += c;
      wide += '\0';
    }
    return bytes.str().find(wide) != std::string::npos;
  }

  Answer Exchange(const std::string& request, std::chrono::milliseconds limit = 10s) {
    const Clock::time_point start = Clock::now();
    const SocketHandle socket = ConnectToLoopback(port_);
    if (socket < 0) return {};
    SendAll(socket, request, limit);
    Answer answer = ParseAnswer(ReceiveUntilClosed(socket, limit, 1 << 20));
    CloseSocket(socket);
    answer.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return answer;
  }

  // A request with the page's own Host and the token, unless told otherwise.
  static std::string Request(const std::string& line, const std::string& headers,
                             const std::string& body) {
    return line + " HTTP/1.1\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  }
  std::string Call(const std::string& method, const std::string& argument) const {
    return Request("POST /call/" + method,
                   "Host: " + Own() + "\r\nX-Dravanta-Token: " + token_ + "\r\n",
                   "[\"" + argument + "\"]");
  }
  std::string Command(const std::string& address) const {
    return Request("POST /navigate", "Host: " + Own() + "\r\nX-Dravanta-Token: " + token_ + "\r\n",
                   "[\"" + address + "\"]");
  }

  ScratchTree scratch_;  // removed after the members below
  fs::path root_;
  FakeScanServer server_;
  Subprocess program_;
  int port_ = 0;
  std::string token_;
};

TEST_F(PageHostProgram, TheLogNamesThePageButNeverItsToken) {
  ASSERT_TRUE(LogHas("Page at http://" + Own() + "/ (access token not logged)"));
  EXPECT_FALSE(LogHas(token_));
  // Others on the machine cannot read the log the program created.
  struct stat info {};
  ASSERT_EQ(stat(LogPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u) << std::oct << info.st_mode;
}

TEST_F(PageHostProgram, OnlyThePagesOwnRequestsWithTheTokenRunAnything) {
  // The page has initialised, as it does on load, so a scan command would
  // start a scan at once.
  ASSERT_EQ(Exchange(Command("app:1005@Init")).status, 200);
  const std::string port = std::to_string(port_);
  const std::string own = Own();
  std::string nearToken = token_;
  nearToken[17] = nearToken[17] == 'a' ? 'b' : 'a';
  const std::string scan = "app:1005@ScanNow:1|" + (root_ / "targets").string();
  const std::string scanBody = "[\"" + scan + "\"]";
  const std::string withToken = "X-Dravanta-Token: " + token_ + "\r\n";
  const std::string logBody = "[\"marker\"]";

  struct Case {
    const char* what;
    std::string line;     // request line without the version
    std::string headers;  // each ending in CR LF
    std::string body;
    int status;
    bool runs;  // the call reaches the dialog (a "log" call writes its marker)
  };
  const std::string hostOwn = "Host: " + own + "\r\n";
  const Case cases[] = {
      {"no token", "POST /call/log", hostOwn, logBody, 403, false},
      {"a wrong token", "POST /call/log", hostOwn + "X-Dravanta-Token: 0123\r\n", logBody, 403,
       false},
      {"the token with one character changed", "POST /call/log",
       hostOwn + "X-Dravanta-Token: " + nearToken + "\r\n", logBody, 403, false},
      {"the changed token in the query", "POST /call/log?token=" + nearToken, hostOwn, logBody, 403,
       false},
      {"the token in the query", "POST /call/log?token=" + token_, hostOwn, logBody, 200, true},
      {"Host 127.0.0.1:<port>", "POST /call/log", hostOwn + withToken, logBody, 200, true},
      {"Host localhost:<port>", "POST /call/log", "Host: localhost:" + port + "\r\n" + withToken,
       logBody, 200, true},
      {"Host of another name", "POST /call/log", "Host: evil.example:" + port + "\r\n" + withToken,
       logBody, 403, false},
      {"Host that merely starts with 127.0.0.1", "POST /call/log",
       "Host: 127.0.0.1.evil.example:" + port + "\r\n" + withToken, logBody, 403, false},
      {"Host with our address and port as a prefix", "POST /call/log",
       "Host: " + own + ".evil.example\r\n" + withToken, logBody, 403, false},
      {"Host on another port", "POST /call/log", "Host: 127.0.0.1:1\r\n" + withToken, logBody, 403,
       false},
      {"Host missing", "POST /call/log", withToken, logBody, 400, false},
      {"Host twice", "POST /call/log", hostOwn + hostOwn + withToken, logBody, 400, false},
      {"Origin of another site", "POST /call/log",
       hostOwn + withToken + "Origin: http://evil.example\r\n", logBody, 403, false},
      {"Origin null", "POST /call/log", hostOwn + withToken + "Origin: null\r\n", logBody, 403,
       false},
      {"Origin of our address over https", "POST /call/log",
       hostOwn + withToken + "Origin: https://" + own + "\r\n", logBody, 403, false},
      {"Origin twice", "POST /call/log",
       hostOwn + withToken + "Origin: http://" + own + "\r\nOrigin: http://" + own + "\r\n",
       logBody, 400, false},
      {"the localhost Origin", "POST /call/log",
       "Host: localhost:" + port + "\r\n" + withToken + "Origin: http://localhost:" + port + "\r\n",
       logBody, 200, true},
      {"the page's own Origin", "POST /call/log",
       hostOwn + withToken + "Origin: http://" + own + "\r\n", logBody, 200, true},
      {"cross-site form post of a scan", "POST /navigate",
       hostOwn + "Origin: http://evil.example\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\n",
       "x=" + scan, 403, false},
      {"cross-site text post of a scan", "POST /navigate",
       hostOwn + "Origin: http://evil.example\r\nContent-Type: text/plain\r\n", scanBody, 403,
       false},
      {"a scan with the changed token", "POST /navigate",
       hostOwn + "X-Dravanta-Token: " + nearToken + "\r\n", scanBody, 403, false},
      {"end without the token", "POST /navigate", hostOwn, "[\"app:1005@Done\"]", 403, false},
      {"close without the token", "POST /close", hostOwn, "", 403, false},
      {"a body over 1 MiB", "POST /call/log", hostOwn + withToken,
       "[\"marker" + std::string(2 << 20, 'x') + "\"]", 413, false},
      {"64 KiB of headers", "POST /call/log",
       hostOwn + withToken +
           [] {
             std::string many;
             for (int i = 0; i < 4096; ++i) many += "X-Filler-" + std::to_string(i) + ": 0\r\n";
             return many;
           }(),
       logBody, 431, false},
      {"a request target over 8 KiB", "GET /" + std::string(9000, 'A'), hostOwn, "", 414, false},
      {"a method that does not exist", "POST /call/noSuchMethod", hostOwn + withToken, logBody, 404,
       false},
      {"the page without the token", "GET /", hostOwn, "", 200, false},
      {"the page for another Host", "GET /", "Host: evil.example\r\n", "", 403, false},
      {"the page for another Origin", "GET /", hostOwn + "Origin: http://evil.example\r\n", "", 403,
       false},
  };
  int number = 0;
  for (const Case& c : cases) {
    const std::string marker = "hostile-case-" + std::to_string(++number) + "-";
    std::string body = c.body;
    if (const size_t at = body.find("marker"); at != std::string::npos) {
      body.replace(at, 6, marker);
    }
    const Answer answer = Exchange(Request(c.line, c.headers, body));
    EXPECT_EQ(answer.status, c.status) << c.what;
    if (c.body.find("marker") != std::string::npos) {
      EXPECT_EQ(LogHas(marker), c.runs) << c.what;
    }
  }

  // No refused scan or end reached the program: it still runs, asked
  // nothing of the server and reports no scan.
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(SubprocessRunning(&program_));
  EXPECT_EQ(server_.RequestCount(), 0u);
  const Answer status = Exchange(Call("getScanStatus", ""));
  EXPECT_EQ(status.status, 200);
  EXPECT_NE(status.body, "scanning");
  EXPECT_NE(status.body, "Initializing...");

  // The same scan, asked for by the page itself, does start.
  EXPECT_EQ(Exchange(Command(scan)).body, "handled");
  EXPECT_TRUE(server_.WaitForRequests(1, 20000));
}

TEST_F(PageHostProgram, ASlowClientDoesNotHoldUpThePage) {
  // A request that starts and never finishes.
  const SocketHandle stalled = ConnectToLoopback(port_);
  ASSERT_GE(stalled, 0);
  ASSERT_TRUE(SendAll(stalled, "POST /call/log HTTP/1.1\r\nHost: " + Own() + "\r\nContent-Le", 1s));
  // Meanwhile the page's own calls are answered at once.
  for (int i = 0; i < 3; ++i) {
    const Answer answer = Exchange(Call("getClientInfo", "version"), 5s);
    EXPECT_EQ(answer.status, 200);
    EXPECT_LT(answer.took, 1000ms);
  }
  // The stalled one is told it took too long, within the host's limits.
  const Answer late = ParseAnswer(ReceiveUntilClosed(stalled, 15s, 4096));
  CloseSocket(stalled);
  EXPECT_EQ(late.status, 408);

  // A client that sends its request one byte at a time, too slowly, is cut
  // off too, and what it sent never runs.
  const SocketHandle trickle = ConnectToLoopback(port_);
  ASSERT_GE(trickle, 0);
  const std::string request =
      Request("POST /call/log", "Host: " + Own() + "\r\nX-Dravanta-Token: " + token_ + "\r\n",
              "[\"trickled-marker\"]");
  const Clock::time_point start = Clock::now();
  std::string raw;
  for (const char c : request) {
    if (!SendAll(trickle, std::string(1, c), 1s)) break;
    raw = ReceiveUntilClosed(trickle, 900ms, 4096);
    if (!raw.empty()) break;
  }
  CloseSocket(trickle);
  EXPECT_EQ(ParseAnswer(raw).status, 408);
  EXPECT_LT(Clock::now() - start, 20s);
  EXPECT_FALSE(LogHas("trickled-marker"));
}

TEST_F(PageHostProgram, AClosedPageEndsTheProgramAfterTheGrace) {
  // Positive control of the refused close above: the page's own close does
  // end the program.
  const Answer answer =
      Exchange(Request("POST /close?token=" + token_, "Host: " + Own() + "\r\n", ""));
  EXPECT_EQ(answer.status, 204);
  EXPECT_TRUE(WaitForSubprocess(&program_, 15s));
}

}  // namespace
}  // namespace dravanta
