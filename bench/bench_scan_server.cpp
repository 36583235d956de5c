// Benchmark helper: the scanning server of the TLS and small-file figures
// (bench/figures/scan-unknown-tls, lookups-tls, handshakes,
// scan-small-known). Not part of the product.
//
//   dravanta_bench_scan_server known|unknown plain|tls PORT_FILE
//       serves on 127.0.0.1 (free port written to PORT_FILE) until killed.
//       Every lookup is answered clean (known) or unknown, one object per
//       signature; every upload is read, discarded and answered clean. Over
//       TLS the certificate is a self-signed one for "localhost" made at
//       start. GET /handshakes answers "FULL RESUMED REQUESTS": the TLS
//       handshakes seen so far, full and resumed, and the scan requests.
//
// The same code serves both schemes, so that a figure comparing them
// measures the transport and nothing else.
#include <httplib.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "platform/http_listen.h"
#include "tests/support/handshake_counter.h"
#include "tests/support/tls_certificates.h"

namespace dravanta {
namespace {

std::unique_ptr<httplib::Server> MakeServer(bool tls, HandshakeCounter* counter) {
  if (!tls) return std::make_unique<httplib::Server>();
  CertificateRequest request;
  request.common_name = "localhost";
  request.dns_names = {"localhost"};
  request.ip_addresses = {"127.0.0.1"};
  TlsIdentity identity = MakeCertificate(request, nullptr);
  if (!identity.certificate) return nullptr;
  auto server =
      std::make_unique<httplib::SSLServer>(identity.certificate.get(), identity.key.get());
  counter->Attach(server->ssl_context());
  return server;
}

std::string LookupAnswer(const std::string& body, bool known) {
  const std::string object = std::string("<object><final_scan_result>") + (known ? "0" : "5") +
                             "</final_scan_result></object>";
  std::string answer = "<objects>";
  if (!body.empty()) {
    for (size_t at = 0; at != std::string::npos; at = body.find('|', at + 1)) answer += object;
  }
  return answer + "</objects>";
}

void AddRoutes(httplib::Server& server, bool known, const HandshakeCounter& counter,
               std::atomic<long>& requests) {
  server.Get("/dravanta_rest/scanner", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response><name>getengineinfo</name>"
        "<engines><engine><engine_name>bench</engine_name></engine></engines></method_response>",
        "text/xml");
  });
  server.Get("/handshakes", [&](const httplib::Request&, httplib::Response& response) {
    const HandshakeCounts counts = counter.Counts();
    response.set_content(std::to_string(counts.full) + " " + std::to_string(counts.resumed) + " " +
                             std::to_string(requests.load()) + "\n",
                         "text/plain");
  });
  server.Post("/dravanta_rest/scanner",
              [known, &requests](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
                ++requests;
                std::string lookup;
                const bool is_lookup = request.get_param_value("method") == "scanmultiple";
                reader([&](const char* data, size_t length) {
                  if (is_lookup) lookup.append(data, length);  // uploads are discarded
                  return true;
                });
                if (is_lookup) {
                  response.set_content(LookupAnswer(lookup, known), "text/xml");
                } else {
                  response.set_content(
                      "<final_scan_result>0</final_scan_result><objects></objects>", "text/xml");
                }
              });
}

int Serve(bool known, bool tls, const std::string& port_file) {
  HandshakeCounter counter;
  std::atomic<long> requests{0};
  std::unique_ptr<httplib::Server> server = MakeServer(tls, &counter);
  if (!server || !server->is_valid()) return 1;
  // More workers than the client's ten parallel uploads; answers go out at
  // once rather than waiting on the client's delayed ACK.
  server->new_task_queue = [] { return new httplib::ThreadPool(24); };
  server->set_tcp_nodelay(true);
  AddRoutes(*server, known, counter, requests);
  const int port = BindWithWideBacklog(*server, "127.0.0.1", 0);
  if (port <= 0) return 1;
  std::ofstream(port_file) << port << "\n";
  return server->listen_after_bind() ? 0 : 1;
}

}  // namespace
}  // namespace dravanta

int main(int argc, char** argv) {
  const std::string mode = argc == 4 ? argv[1] : "";
  const std::string scheme = argc == 4 ? argv[2] : "";
  if ((mode == "known" || mode == "unknown") && (scheme == "plain" || scheme == "tls")) {
    return dravanta::Serve(mode == "known", scheme == "tls", argv[3]);
  }
  std::cerr << "usage: dravanta_bench_scan_server known|unknown plain|tls PORT_FILE\n";
  return 2;
}
