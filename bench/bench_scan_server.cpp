#include "bench/bench_scan_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "platform/http_listen.h"
#include "tests/support/handshake_counter.h"
#include "tests/support/tls_certificates.h"

namespace dravanta {
namespace {

constexpr char kEngineDocument[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response><name>getengineinfo</name>"
    "<engines><engine><engine_name>bench</engine_name></engine></engines></method_response>";
constexpr char kUploadAnswer[] = "<final_scan_result>0</final_scan_result><objects></objects>";

struct ServerState {
  BenchServerOptions options;
  HandshakeCounter handshakes;
  std::atomic<long> requests{0};
  std::atomic<long> uploads{0};
  std::atomic<int> in_flight{0};
  std::atomic<int> peak{0};
  std::mutex random_lock;
  std::mt19937 random{12345};

  // 0..bound, drawn under the lock (the handlers run on many threads).
  int Draw(int bound) {
    std::lock_guard lock(random_lock);
    return std::uniform_int_distribution<int>(0, bound)(random);
  }
  void Pause() {
    if (options.max_delay_ms > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(Draw(options.max_delay_ms)));
    }
  }
  bool Unknown() {
    if (options.unknown_per_mille <= 0) return false;
    if (options.unknown_per_mille >= 1000) return true;
    return Draw(999) < options.unknown_per_mille;
  }
  void UploadBegins() {
    const int now = ++in_flight;
    int seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
  }
};

// One "object" per signature of a "scanmultiple" body ("sha1|sha1|...").
std::string LookupAnswer(ServerState& state, const std::string& lookup) {
  std::string answer = "<objects>";
  if (!lookup.empty()) {
    for (size_t at = 0; at != std::string::npos; at = lookup.find('|', at + 1)) {
      answer += std::string("<object><final_scan_result>") + (state.Unknown() ? "5" : "0") +
                "</final_scan_result></object>";
    }
  }
  return answer + "</objects>";
}

void Answer(ServerState& state, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader) {
  ++state.requests;
  const bool is_lookup = request.get_param_value("method") == "scanmultiple";
  if (!is_lookup) state.UploadBegins();
  std::string lookup;
  reader([&](const char* data, size_t length) {
    if (is_lookup) lookup.append(data, length);  // uploads are discarded
    return true;
  });
  state.Pause();
  if (is_lookup) {
    response.set_content(LookupAnswer(state, lookup), "text/xml");
    return;
  }
  ++state.uploads;
  --state.in_flight;
  response.set_content(kUploadAnswer, "text/xml");
}

std::unique_ptr<httplib::Server> MakeServer(bool tls, HandshakeCounter& counter) {
  if (!tls) return std::make_unique<httplib::Server>();
  CertificateRequest request;
  request.common_name = "localhost";
  request.dns_names = {"localhost"};
  request.ip_addresses = {"127.0.0.1"};
  TlsIdentity identity = MakeCertificate(request, nullptr);
  if (!identity.certificate) return nullptr;
  auto server =
      std::make_unique<httplib::SSLServer>(identity.certificate.get(), identity.key.get());
  counter.Attach(server->ssl_context());
  return server;
}

void AddRoutes(httplib::Server& server, ServerState& state) {
  server.Get("/dravanta_rest/scanner",
             [&state](const httplib::Request& request, httplib::Response& response) {
               if (request.get_param_value("method") == "stats") {
                 response.set_content("uploads=" + std::to_string(state.uploads.load()) +
                                          " peak=" + std::to_string(state.peak.load()),
                                      "text/plain");
                 return;
               }
               response.set_content(kEngineDocument, "text/xml");
             });
  server.Post(
      "/dravanta_rest/scanner",
      [&state](const httplib::Request& request, httplib::Response& response,
               const httplib::ContentReader& reader) { Answer(state, request, response, reader); });
  server.Get("/handshakes", [&state](const httplib::Request&, httplib::Response& response) {
    const HandshakeCounts counts = state.handshakes.Counts();
    response.set_content(std::to_string(counts.full) + " " + std::to_string(counts.resumed) + " " +
                             std::to_string(state.requests.load()) + "\n",
                         "text/plain");
  });
}

}  // namespace

int ServeBenchScans(const BenchServerOptions& options, const std::string& port_file) {
  ServerState state;
  state.options = options;
  std::unique_ptr<httplib::Server> server = MakeServer(options.tls, state.handshakes);
  if (!server || !server->is_valid()) return 1;
  // More workers than the client's ten uploads and its walkers' lookups.
  server->new_task_queue = [] { return new httplib::ThreadPool(32); };
  // Answers go out at once rather than waiting on the client's delayed ACK.
  server->set_tcp_nodelay(true);
  AddRoutes(*server, state);
  const int port = BindWithWideBacklog(*server, "127.0.0.1", 0);
  if (port <= 0) return 1;
  std::ofstream(port_file) << port << "\n";
  return server->listen_after_bind() ? 0 : 1;
}

}  // namespace dravanta
