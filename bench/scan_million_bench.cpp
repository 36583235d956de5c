// Benchmark helper for bench/figures/scan-million: one path scan of a tree of
// a million small files against a scanning server on loopback that answers
// after random delays. Not part of the product.
//
//   dravanta_scan_million_bench make-tree ROOT FILES
//       FILES files of a few bytes each (every content differs), 1,000 to a
//       folder, in ROOT/dNNNN/fNNNNNNN
//   dravanta_scan_million_bench serve PORT_FILE UNKNOWN_PER_MILLE MAX_DELAY_MS
//       a scanning server on 127.0.0.1 (free port written to PORT_FILE):
//       each lookup and upload answers after 0..MAX_DELAY_MS milliseconds;
//       UNKNOWN_PER_MILLE of the looked-up files are unknown (uploaded),
//       the rest clean. "method=stats" answers "uploads=N peak=M" (uploads
//       received, most uploads in flight at once). Runs until killed.
//   dravanta_scan_million_bench scan URL ROOT FILES THREAD_COUNT
//       one path scan of ROOT through the connector while a sampler reads
//       the process's peak memory and thread count; checks that exactly one
//       completion arrives, that every file is settled exactly once and that
//       the thread count stays within the bound; prints the figures on
//       standard error. Exit 0 when every check held.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_scan_server.h"
#include "collection/directory_walker.h"
#include "connector/scan_connector.h"
#include "platform/text.h"

namespace dravanta {
namespace {

constexpr long kFilesPerFolder = 1000;

std::string FolderName(long index) {
  char name[32];
  std::snprintf(name, sizeof(name), "d%04ld", index / kFilesPerFolder);
  return name;
}

std::string FileName(long index) {
  char name[32];
  std::snprintf(name, sizeof(name), "f%07ld", index);
  return name;
}

int MakeTree(const std::string& root, long files) {
  for (long i = 0; i < files; ++i) {
    const std::string folder = root + "/" + FolderName(i);
    if (i % kFilesPerFolder == 0) {
      std::error_code error;
      std::filesystem::create_directories(folder, error);
      if (error) return 1;
    }
    std::ofstream out(folder + "/" + FileName(i), std::ios::binary);
    out << "file " << i << "\n";
    if (!out) return 1;
  }
  return 0;
}

// Peak resident memory and thread count of this process, from /proc.
struct Sampler {
  std::atomic<bool> stop{false};
  std::atomic<long> peak_threads{0};
  long peak_rss_kib = 0;  // VmHWM, read once at the end

  static long StatusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.compare(0, name.size(), name) == 0 && line.size() > name.size() &&
          line[name.size()] == ':') {
        return std::stol(line.substr(name.size() + 1));
      }
    }
    return -1;
  }
  void Run() {
    while (!stop) {
      const long threads = StatusField("Threads");
      if (threads > peak_threads) peak_threads = threads;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    peak_rss_kib = StatusField("VmHWM");
  }
};

struct Tally {
  std::mutex lock;
  std::condition_variable done;
  int completions = 0;
  int32_t files_scanned = 0;
  int32_t code = 0;
  std::string message;
  long reports = 0;
  long not_clean = 0;
  long repeated = 0;
  long strangers = 0;  // reports for paths that are not files of the tree
  std::vector<bool> seen;
  std::string first_not_clean;
};

// The file index in ".../dNNNN/fNNNNNNN", or -1.
long IndexOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos || slash + 2 > path.size() || path[slash + 1] != u'f') {
    return -1;
  }
  long index = 0;
  for (size_t at = slash + 2; at < path.size(); ++at) {
    if (path[at] < u'0' || path[at] > u'9') return -1;
    index = index * 10 + (path[at] - u'0');
  }
  return index;
}

void OnProgress(void* context, uint64_t, uint64_t, std::u16string_view path, ScanOutcome code,
                std::u16string_view threat_name, std::u16string_view) {
  auto* tally = static_cast<Tally*>(context);
  const long index = IndexOf(path);
  std::lock_guard lock(tally->lock);
  ++tally->reports;
  if (index < 0 || index >= static_cast<long>(tally->seen.size())) {
    ++tally->strangers;
  } else if (tally->seen[static_cast<size_t>(index)]) {
    ++tally->repeated;
  } else {
    tally->seen[static_cast<size_t>(index)] = true;
  }
  if (code != 0 && tally->not_clean++ == 0) {
    tally->first_not_clean =
        Utf16ToUtf8(path) + " " + std::to_string(code) + " " + Utf16ToUtf8(threat_name);
  }
}

void OnCompletion(void* context, bool, int32_t files_scanned, ScanOutcome code,
                  std::u16string_view message) {
  auto* tally = static_cast<Tally*>(context);
  std::lock_guard lock(tally->lock);
  ++tally->completions;
  tally->files_scanned = files_scanned;
  tally->code = code;
  tally->message = Utf16ToUtf8(message);
  tally->done.notify_all();
}

std::string ServerStats(const std::string& url) {
  const size_t host_start = url.find("//") + 2;
  const size_t path_start = url.find('/', host_start);
  httplib::Client client(url.substr(0, path_start));
  auto answer = client.Get(url.substr(path_start) + "/scanner?method=stats");
  return answer && answer->status == 200 ? answer->body : "unavailable";
}

int Scan(const std::string& url, const std::string& root, long files, int thread_count) {
  Sampler sampler;
  std::thread sampling([&] { sampler.Run(); });
  Tally tally;
  tally.seen.assign(static_cast<size_t>(files), false);

  InitializeConnector(u"");
  SetConnectorOption(u"ServerURL", Utf8ToUtf16(url).c_str());
  SetConnectorOption(u"UseUserProxy", u"0");
  SetConnectorOption(u"ThreadCount", Utf8ToUtf16(std::to_string(thread_count)).c_str());
  const auto start = std::chrono::steady_clock::now();
  const int32_t started = ScanPaths(Utf8ToUtf16(root), &OnProgress, &OnCompletion, &tally);
  if (started != kScanStarted) {
    sampler.stop = true;
    sampling.join();
    std::cerr << "scan-million: start failed with " << started << "\n";
    return 1;
  }
  {
    std::unique_lock lock(tally.lock);
    tally.done.wait(lock, [&] { return tally.completions > 0; });
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // A second completion would come from a late walker end or upload: give
  // the stragglers time to show themselves.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  sampler.stop = true;
  sampling.join();

  const std::string stats = ServerStats(url);
  long peak_uploads = -1;
  if (const size_t at = stats.find("peak="); at != std::string::npos) {
    peak_uploads = std::stol(stats.substr(at + 5));
  }
  // Threads that may exist at once: this one, the sampler, the walker's
  // controller and workers, and one thread per upload slot.
  const long workers = static_cast<long>(WorkerCountFor(thread_count));
  const long bound = 3 + workers + kMaxParallelUploads;

  std::lock_guard lock(tally.lock);
  const long settled = static_cast<long>(std::count(tally.seen.begin(), tally.seen.end(), true));
  std::fprintf(stderr,
               "scan-million: %ld files, %.2f s, completions %d (code %d, files scanned %d), "
               "settled %ld, reports %ld, repeated %ld, strangers %ld, not clean %ld\n",
               files, seconds, tally.completions, tally.code, tally.files_scanned, settled,
               tally.reports, tally.repeated, tally.strangers, tally.not_clean);
  std::fprintf(stderr,
               "scan-million: peak RSS %ld KiB, peak threads %ld (bound %ld = 3 fixed + %ld "
               "workers + %d uploads), server: %s\n",
               sampler.peak_rss_kib, sampler.peak_threads.load(), bound, workers,
               kMaxParallelUploads, stats.c_str());
  if (!tally.first_not_clean.empty()) {
    std::fprintf(stderr, "scan-million: first not clean: %s\n", tally.first_not_clean.c_str());
  }
  std::printf("%.4f\n", seconds);
  const bool held = tally.completions == 1 && tally.code == 0 && settled == files &&
                    tally.reports == files && tally.not_clean == 0 &&
                    sampler.peak_threads <= bound && peak_uploads >= 0 &&
                    peak_uploads <= kMaxParallelUploads;
  if (!held) std::fprintf(stderr, "scan-million: a check failed\n");
  return held ? 0 : 1;
}

}  // namespace
}  // namespace dravanta

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "make-tree") {
    return dravanta::MakeTree(args[1], std::stol(args[2]));
  }
  if (args.size() == 4 && args[0] == "serve") {
    return dravanta::ServeBenchScans(
        {.unknown_per_mille = std::stoi(args[2]), .max_delay_ms = std::stoi(args[3])}, args[1]);
  }
  if (args.size() == 5 && args[0] == "scan") {
    return dravanta::Scan(args[1], args[2], std::stol(args[3]), std::stoi(args[4]));
  }
  std::cerr << "usage: dravanta_scan_million_bench make-tree ROOT FILES | serve PORT_FILE "
               "UNKNOWN_PER_MILLE MAX_DELAY_MS | scan URL ROOT FILES THREAD_COUNT\n";
  return 2;
}
