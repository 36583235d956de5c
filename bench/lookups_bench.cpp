// Benchmark helper for the lookups figure (bench/figures/lookups). Not part
// of the product.
//
//   dravanta_lookups_bench seed DB COUNT
//       stores COUNT clean verdicts of made-up signatures in the scan
//       server's database file DB (nothing to do when they are there)
//   dravanta_lookups_bench capture URL PER_REQUEST OUT
//       writes the answer to the first lookup of the run to OUT
//   dravanta_lookups_bench serve-bare DOCUMENT PORT_FILE
//       a bare server on 127.0.0.1 (free port written to PORT_FILE) that
//       answers every request with DOCUMENT, looking nothing up; runs until
//       killed
//   dravanta_lookups_bench run URL THREADS REQUESTS PER_REQUEST
//       sends REQUESTS lookups of PER_REQUEST known signatures each through
//       the transport from THREADS threads (request r asks for signatures
//       r*PER_REQUEST onwards), checks every answer, prints the seconds
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/http_listen.h"
#include "platform/text.h"
#include "tools/scan-server/verdict_store.h"
#include "transport/server_client.h"

namespace dravanta {
namespace {

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The made-up signature of known file n: 40 upper-case hexadecimal digits,
// distinct for every n (the first 16 digits are a bijection of n).
std::string BenchSignature(std::uint64_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::uint64_t parts[3] = {SplitMix(n), SplitMix(n ^ 0x5555555555555555ull),
                                  SplitMix(n ^ 0xAAAAAAAAAAAAAAAAull)};
  std::string text;
  for (int digit = 0; digit < 40; ++digit) {
    text += kDigits[(parts[digit / 16] >> (60 - 4 * (digit % 16))) & 0xF];
  }
  return text;
}

scan_server::StoredFile BenchFile(std::uint64_t n) {
  scan_server::StoredFile file;
  file.sha1 = BenchSignature(n);
  file.md5 = file.sha1.substr(0, 32);
  file.size = 1000 + n % 100000;
  file.filename = "file" + std::to_string(n) + ".bin";
  file.verdict = scan_server::CombineVerdicts({{"ClamAV", scan_server::kThreatNotDetected, ""},
                                               {"YARA", scan_server::kThreatNotDetected, ""},
                                               {"Hash list", scan_server::kThreatNotDetected, ""}});
  return file;
}

int Seed(const std::string& db, std::uint64_t count) {
  std::string error;
  auto store = scan_server::VerdictStore::Open(db, &error, 0);
  if (!store) {
    std::cerr << "seed: " << error << "\n";
    return 1;
  }
  auto known = store->Lookup({BenchSignature(0), BenchSignature(count - 1)}, {});
  if (known[0] && known[1] && store->VerdictCount() >= static_cast<std::int64_t>(count)) {
    std::cerr << "seed: " << db << " already holds the " << count << " verdicts\n";
    return 0;
  }
  constexpr std::uint64_t kBatch = 100000;
  for (std::uint64_t first = 0; first < count; first += kBatch) {
    std::vector<scan_server::StoredFile> files;
    for (std::uint64_t n = first; n < count && n < first + kBatch; ++n) {
      files.push_back(BenchFile(n));
    }
    if (!store->StoreVerdicts(files, &error)) {
      std::cerr << "seed: " << error << "\n";
      return 1;
    }
  }
  std::cerr << "seed: stored " << count << " verdicts in " << db << "\n";
  return 0;
}

bool PrepareTransport(const std::string& url) {
  const ServerClient& client = GetServerClient();
  return client.SetOption(u"url", Utf8ToUtf16(url).c_str()) == TransportOk &&
         client.SetOption(u"proxy_useie", u"0") == TransportOk &&
         client.Initialise() == TransportOk;
}

// The signature texts of request r, as the connector passes its objects.
std::vector<std::u16string> RequestObjects(std::uint64_t request, std::uint64_t per_request) {
  std::vector<std::u16string> objects;
  for (std::uint64_t i = 0; i < per_request; ++i) {
    objects.push_back(Utf8ToUtf16(BenchSignature(request * per_request + i)));
  }
  return objects;
}

// One lookup through the transport; the answer text, or empty on failure.
std::u16string LookUp(const std::vector<std::u16string>& objects) {
  std::vector<const char16_t*> pointers;
  for (const std::u16string& object : objects) pointers.push_back(object.c_str());
  char16_t* answer = nullptr;
  const ServerClient& client = GetServerClient();
  TransportCode code = client.ScanMultiple(ScanBySignature, pointers.data(),
                                           static_cast<std::uint32_t>(pointers.size()), &answer);
  std::u16string text = code == TransportOk && answer != nullptr ? answer : u"";
  client.FreeResult(answer);
  return text;
}

// An answer that settles every signature of the request as clean.
bool SettlesAllAsClean(std::u16string_view answer, std::uint64_t per_request) {
  constexpr std::u16string_view kClean = u"<final_scan_result>0</final_scan_result>";
  std::uint64_t clean = 0;
  for (size_t at = answer.find(kClean); at != std::u16string_view::npos;
       at = answer.find(kClean, at + kClean.size())) {
    ++clean;
  }
  return clean == per_request;
}

int Capture(const std::string& url, std::uint64_t per_request, const std::string& out) {
  if (!PrepareTransport(url)) return 1;
  std::u16string answer = LookUp(RequestObjects(0, per_request));
  if (!SettlesAllAsClean(answer, per_request)) {
    std::cerr << "capture: the answer does not settle every signature as clean:\n"
              << Utf16ToUtf8(answer).substr(0, 400) << "\n";
    return 1;
  }
  std::string bytes;
  for (char16_t unit : answer) bytes += static_cast<char>(unit);  // one unit per byte
  std::ofstream(out, std::ios::binary) << bytes;
  return 0;
}

int ServeBare(const std::string& document_file, const std::string& port_file) {
  std::ifstream in(document_file, std::ios::binary);
  std::stringstream read;
  read << in.rdbuf();
  const std::string document = read.str();
  if (document.empty()) return 1;
  httplib::Server server;
  server.Post("/dravanta_rest/scanner",
              [&document](const httplib::Request&, httplib::Response& response,
                          const httplib::ContentReader& reader) {
                reader([](const char*, size_t) { return true; });
                response.set_content(document, "text/xml; charset=utf-8");
              });
  const int port = BindWithWideBacklog(server, "127.0.0.1", 0);
  if (port <= 0) return 1;
  std::ofstream(port_file) << port << "\n";
  return server.listen_after_bind() ? 0 : 1;
}

int Run(const std::string& url, int threads, std::uint64_t requests, std::uint64_t per_request) {
  if (!PrepareTransport(url)) return 1;
  // The request texts are made before the clock starts.
  std::vector<std::vector<std::u16string>> objects(requests);
  for (std::uint64_t r = 0; r < requests; ++r) objects[r] = RequestObjects(r, per_request);

  std::atomic<std::uint64_t> next{0}, failed{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (std::uint64_t r = next++; r < requests; r = next++) {
        if (!SettlesAllAsClean(LookUp(objects[r]), per_request)) ++failed;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (failed > 0) {
    std::cerr << "run: " << failed << " of " << requests << " lookups did not settle\n";
    return 1;
  }
  std::printf("%.4f\n", took.count());
  return 0;
}

}  // namespace
}  // namespace dravanta

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "seed") return dravanta::Seed(args[1], std::stoull(args[2]));
  if (args.size() == 4 && args[0] == "capture") {
    return dravanta::Capture(args[1], std::stoull(args[2]), args[3]);
  }
  if (args.size() == 3 && args[0] == "serve-bare") return dravanta::ServeBare(args[1], args[2]);
  if (args.size() == 5 && args[0] == "run") {
    return dravanta::Run(args[1], std::stoi(args[2]), std::stoull(args[3]), std::stoull(args[4]));
  }
  std::cerr << "usage: dravanta_lookups_bench seed DB COUNT | capture URL PER_REQUEST OUT | "
               "serve-bare DOCUMENT PORT_FILE | run URL THREADS REQUESTS PER_REQUEST\n";
  return 2;
}
