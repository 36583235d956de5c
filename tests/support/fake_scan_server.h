// A scriptable scanning server for tests, on cpp-httplib, bound to
// 127.0.0.1 on a free port, over plain HTTP or TLS.
//
//   FakeScanServer server;                    // or FakeScanServer(tls_identity)
//   ASSERT_TRUE(server.Start());
//   server.SetEngines(3);                     // "getengineinfo" names 3 engines
//   server.SetKnownSignature(sha1, 0, "");    // "scanmultiple" settles that file
//   server.SetAnswer("scan", {.status = 500, .body = "oops"});
//   ... ServerClient calls with "url" = server.Url() ...
//   server.Requests()                         // every request as received
//
// Answers, in order of precedence, for a request with "method=NAME":
//   1. queued one-shot answers for NAME (QueueAnswer), first in first out;
//   2. a handler set for NAME (SetHandler);
//   3. a fixed answer set for NAME (SetAnswer);
//   4. the built-in answers: "getengineinfo" lists the configured engines;
//      "scanmultiple" answers one "object" per signature in the body (result
//      of a known signature, else 5 = unknown); "scan" answers one verdict
//      for the uploaded file (by "filename", else result 0, clean).
// Any other path answers 404.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dravanta {

// The TLS side (fake_scan_server_tls.cpp, where OpenSSL is there): the
// identity a TLS server presents and the handshakes it counts.
struct TlsIdentity;
struct HandshakeCounts;
class HandshakeCounter;

struct ScriptedAnswer {
  int status = 200;
  std::string body;
  std::string content_type = "text/xml";
  std::vector<std::pair<std::string, std::string>> headers;
  int delay_milliseconds = 0;  // wait before answering
  // Close the connection after sending the headers and this many body bytes
  // (of a body announced with its full length).
  bool drop_connection = false;
  std::size_t drop_after_bytes = 0;
};

struct RecordedRequest {
  std::string verb;                                // "GET", "POST"
  std::string target;                              // request target as sent, with the query
  std::string path;                                // decoded path without query
  std::string version;                             // "HTTP/1.0"
  std::string query_method;                        // value of "method"
  std::multimap<std::string, std::string> params;  // decoded query parameters
  std::vector<std::pair<std::string, std::string>> headers;  // as received
  std::string raw_headers;  // "Name: value\r\n" lines rebuilt from headers
  std::string body;
  bool secure = false;

  bool HasHeader(const std::string& name) const;
  std::string Header(const std::string& name) const;  // "" when absent
};

struct Verdict {
  int result = 0;
  std::string threat_name;
};

class FakeScanServer {
 public:
  FakeScanServer();                                      // plain HTTP
  explicit FakeScanServer(const TlsIdentity& identity);  // TLS
  ~FakeScanServer();
  FakeScanServer(const FakeScanServer&) = delete;
  FakeScanServer& operator=(const FakeScanServer&) = delete;

  // Binds 127.0.0.1 on a free port and serves on a background thread.
  bool Start();
  // Stops serving; the port then refuses connections.
  void Stop();

  int port() const { return port_; }
  // "http://127.0.0.1:PORT/dravanta_rest" (or "https://...").
  std::string Url(const std::string& path = "dravanta_rest") const;

  using Handler = std::function<ScriptedAnswer(const RecordedRequest&)>;
  void SetAnswer(const std::string& method, ScriptedAnswer answer);
  void SetHandler(const std::string& method, Handler handler);
  void QueueAnswer(const std::string& method, ScriptedAnswer answer);
  void ClearScript();

  // Built-in answers' data.
  void SetEngines(int count, const std::string& name_prefix = "engine");
  void SetKnownSignature(const std::string& signature, int result, const std::string& threat);
  void SetUploadVerdict(const std::string& file_name, int result, const std::string& threat);

  // TLS handshakes completed so far (all zero for plain HTTP).
  HandshakeCounts Handshakes() const;

  std::vector<RecordedRequest> Requests() const;
  std::size_t RequestCount() const;
  // Waits (bounded) until at least count requests were received.
  bool WaitForRequests(std::size_t count, int timeout_milliseconds) const;
  void ClearRequests();

  // The documents the built-in answers use, for tests that script their own.
  static std::string EngineDocument(int count, const std::string& name_prefix = "engine");
  static std::string LookupAnswer(const std::vector<std::pair<std::string, Verdict>>& objects);
  static std::string UploadAnswer(const std::string& file_name, const Verdict& verdict);

 private:
  void Route(const httplib::Request& request, httplib::Response& response);
  ScriptedAnswer BuiltInAnswer(const RecordedRequest& request);

  std::shared_ptr<HandshakeCounter> handshakes_;  // outlives the server's connections
  std::unique_ptr<httplib::Server> server_;
  bool secure_ = false;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex lock_;
  mutable std::condition_variable request_arrived_;
  std::vector<RecordedRequest> requests_;
  std::map<std::string, std::deque<ScriptedAnswer>> queued_;
  std::map<std::string, Handler> handlers_;
  std::map<std::string, ScriptedAnswer> answers_;
  int engine_count_ = 1;
  std::string engine_prefix_ = "engine";
  std::map<std::string, Verdict> known_signatures_;
  std::map<std::string, Verdict> upload_verdicts_;
};

}  // namespace dravanta
