// Benchmark helper for the scan figures (bench/figures/scan-known and
// scan-unknown). Not part of the product.
//
//   dravanta_scan_bench make-tree ROOT FILES TOTAL_BYTES
//       writes FILES files of pseudo-random content, TOTAL_BYTES in all,
//       100 to a folder
//   dravanta_scan_bench serve known|unknown PORT_FILE
//       a scanning server on 127.0.0.1 (free port written to PORT_FILE) that
//       answers every lookup clean (known) or unknown, and reads and discards
//       every upload; runs until killed
//   dravanta_scan_bench scan URL ROOT
//       one path scan of ROOT through the connector; exit 0 when every file
//       was settled
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "bench/bench_scan_server.h"
#include "connector/scan_connector.h"
#include "platform/text.h"

namespace dravanta {
namespace {

int MakeTree(const std::string& root, long files, long long total_bytes) {
  const long long base = total_bytes / files;
  long long remainder = total_bytes % files;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  std::vector<char> buffer;
  for (long i = 0; i < files; ++i) {
    const std::string folder = root + "/d" + std::to_string(i / 100);
    if (i % 100 == 0) {
      std::error_code error;
      std::filesystem::create_directories(folder, error);
      if (error) return 1;
    }
    const long long size = base + (remainder-- > 0 ? 1 : 0);
    buffer.resize(static_cast<size_t>(size));
    for (size_t at = 0; at < buffer.size(); ++at) {
      if (at % 8 == 0) {  // xorshift64: every file differs
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
      }
      buffer[at] = static_cast<char>(state >> ((at % 8) * 8));
    }
    std::ofstream out(folder + "/f" + std::to_string(i) + ".bin", std::ios::binary);
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (!out) return 1;
  }
  return 0;
}

struct Completion {
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  int32_t files_scanned = 0;
  int32_t code = 0;
  long settled = 0;  // guarded by lock
  long not_clean = 0;
  std::string first_not_clean;  // path, code and text of the first one
};

void OnProgress(void* context, uint64_t, uint64_t, std::u16string_view path, ScanOutcome code,
                std::u16string_view threat_name, std::u16string_view) {
  auto* completion = static_cast<Completion*>(context);
  std::lock_guard lock(completion->lock);
  ++completion->settled;
  if (code != 0 && completion->not_clean++ == 0) {
    completion->first_not_clean =
        Utf16ToUtf8(path) + " " + std::to_string(code) + " " + Utf16ToUtf8(threat_name);
  }
}

void OnCompletion(void* context, bool, int32_t files_scanned, ScanOutcome code,
                  std::u16string_view) {
  auto* completion = static_cast<Completion*>(context);
  std::lock_guard lock(completion->lock);
  completion->finished = true;
  completion->files_scanned = files_scanned;
  completion->code = code;
  completion->done.notify_all();
}

int Scan(const std::string& url, const std::string& root) {
  InitializeConnector(u"");
  SetConnectorOption(u"ServerURL", Utf8ToUtf16(url).c_str());
  SetConnectorOption(u"UseUserProxy", u"0");
  Completion completion;
  const int32_t started = ScanPaths(Utf8ToUtf16(root), &OnProgress, &OnCompletion, &completion);
  if (started != kScanStarted) {
    std::cerr << "scan: start failed with " << started << "\n";
    return 1;
  }
  std::unique_lock lock(completion.lock);
  completion.done.wait(lock, [&] { return completion.finished; });
  std::cerr << "scan: " << completion.settled << " files settled, " << completion.not_clean
            << " not clean, completion code " << completion.code << ", " << completion.files_scanned
            << " scanned\n";
  return completion.code == 0 && completion.not_clean == 0 ? 0 : 1;
}

}  // namespace
}  // namespace dravanta

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "make-tree") {
    return dravanta::MakeTree(args[1], std::stol(args[2]), std::stoll(args[3]));
  }
  if (args.size() == 3 && args[0] == "serve" && (args[1] == "known" || args[1] == "unknown")) {
    return dravanta::ServeBenchScans({.unknown_per_mille = args[1] == "known" ? 0 : 1000}, args[2]);
  }
  if (args.size() == 3 && args[0] == "scan") return dravanta::Scan(args[1], args[2]);
  std::cerr << "usage: dravanta_scan_bench make-tree ROOT FILES BYTES | serve known|unknown "
               "PORT_FILE | scan URL ROOT\n";
  return 2;
}
