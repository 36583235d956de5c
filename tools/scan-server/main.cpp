// scan-server: answers the client's scan requests with the verdicts of
// ClamAV, YARA and a hash-list engine. See UsageText for the command line.
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <mutex>
#include <thread>

#include "platform/http_listen.h"
#include "tools/scan-server/clamav_engine.h"
#include "tools/scan-server/command_line.h"
#include "tools/scan-server/engine_set.h"
#include "tools/scan-server/routes.h"

namespace {

std::atomic<bool> stop_requested{false};

extern "C" void RequestStop(int) { stop_requested = true; }

}  // namespace

int main(int argc, char** argv) {
  using namespace dravanta::scan_server;
  // From the start, so that a stop asked for while the engines load still
  // ends cleanly (the stopper below acts on it once the server runs).
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.help) {
    std::cout << UsageText();
    return 0;
  }
  if (!line.error.empty()) {
    std::cerr << "scan-server: " << line.error << " (see --help)\n";
    return 2;
  }
  const ServerOptions& options = line.options;

  EngineSettings settings;
  settings.data_folder = options.data_folder.empty() ? ShippedDataFolder()
                                                     : std::filesystem::path(options.data_folder);
  settings.system_clamav_folder = options.system_clamav_folder.empty() ? SystemClamavFolder()
                                  : options.system_clamav_folder == "none"
                                      ? std::filesystem::path()
                                      : std::filesystem::path(options.system_clamav_folder);
  settings.max_file_size = options.max_upload_bytes;
  EngineSet engines = LoadEngines(settings);
  for (const std::string& note : engines.notes) std::cerr << "scan-server: " << note << "\n";
  for (const std::string& problem : engines.problems)
    std::cerr << "scan-server: " << problem << "\n";
  if (engines.engines.empty()) {
    std::cerr << "scan-server: no engine could be loaded\n";
    return 1;
  }

  ScanService service;
  service.engines = std::move(engines.engines);
  service.limits =
      ServiceLimits{options.max_upload_bytes, static_cast<std::size_t>(options.max_signatures)};
  service.api_key = options.api_key;
  std::string error;
  service.store = VerdictStore::Open(options.db_path, &error);
  if (service.store) {
    service.spool = UploadSpool::Create(std::filesystem::temp_directory_path(), &error);
  }
  if (!service.store || !service.spool) {
    std::cerr << "scan-server: " << error << "\n";
    return 1;
  }
  std::mutex log_mutex;
  service.log = [&log_mutex](const std::string& text) {
    std::lock_guard<std::mutex> lock(log_mutex);
    std::cerr << "scan-server: " << text << "\n";
  };

  if (stop_requested) {
    std::cerr << "scan-server: stopped before listening\n";
    return 0;
  }
  httplib::Server server;
  InstallRoutes(server, service);
  const int port = dravanta::BindWithWideBacklog(server, options.host, options.port);
  if (port <= 0) {
    std::cerr << "scan-server: cannot listen on " << options.host << ":" << options.port << "\n";
    return 1;
  }
  // Signal handlers may only set a flag; this thread turns it into a stop,
  // repeated until the server has ended in case it was not running yet.
  std::atomic<bool> ended{false};
  std::thread stopper([&server, &ended] {
    while (!stop_requested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    while (!ended) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  std::cout << "listening on " << ServerUrl(options.host, port) << std::endl;
  bool listened = server.listen_after_bind();
  ended = true;
  stop_requested = true;
  stopper.join();
  std::cerr << "scan-server: stopped\n";
  return listened ? 0 : 1;
}
