#include "tools/scan-server/clamav_engine.h"

#include <clamav.h>

#include <limits>
#include <mutex>

namespace dravanta::scan_server {
namespace {

// cl_init sets process-wide state and must run exactly once.
cl_error_t InitialiseLibrary() {
  static cl_error_t result = cl_init(CL_INIT_DEFAULT);
  return result;
}

using EnginePointer = std::unique_ptr<cl_engine, decltype(&cl_engine_free)>;

class ClamavEngine : public Engine {
 public:
  ClamavEngine(EnginePointer engine, unsigned int signatures) : engine_(std::move(engine)) {
    description_.name = "ClamAV";
    description_.version = cl_retver();
    description_.definitions = std::to_string(signatures) + " signatures";
  }

  const EngineDescription& Description() const override { return description_; }

  EngineVerdict Scan(const ScannedFile& file) const override {
    EngineVerdict verdict{description_.name, kThreatNotDetected, ""};
    cl_scan_options options{};
    options.general = CL_SCAN_GENERAL_HEURISTICS;
    options.parse = std::numeric_limits<decltype(options.parse)>::max();
    const char* threat = nullptr;
    unsigned long scanned = 0;
    cl_error_t result = cl_scanfile(file.path.c_str(), &threat, &scanned, engine_.get(), &options);
    if (result == CL_VIRUS) {
      std::string name = threat != nullptr ? threat : "";
      // Heuristic alerts are guesses, not signature matches.
      verdict.scan_result = name.rfind("Heuristics.", 0) == 0 ? kSuspicious : kThreatDetected;
      verdict.threat_name = SafeThreatName(name.empty() ? "UNKNOWN" : name);
    } else if (result != CL_CLEAN) {
      verdict.scan_result = kFailedToScan;
    }
    return verdict;
  }

 private:
  EnginePointer engine_;
  EngineDescription description_;
};

}  // namespace

std::unique_ptr<Engine> LoadClamavEngine(const std::vector<std::filesystem::path>& folders,
                                         std::uint64_t max_file_size, std::string* error) {
  if (cl_error_t init = InitialiseLibrary(); init != CL_SUCCESS) {
    *error = std::string("libclamav cannot start: ") + cl_strerror(init);
    return nullptr;
  }
  EnginePointer engine(cl_engine_new(), cl_engine_free);
  if (!engine) {
    *error = "libclamav cannot create an engine";
    return nullptr;
  }
  unsigned int signatures = 0;
  for (const auto& folder : folders) {
    cl_error_t loaded = cl_load(folder.c_str(), engine.get(), &signatures, CL_DB_STDOPT);
    if (loaded != CL_SUCCESS) {
      *error = "libclamav cannot load " + folder.string() + ": " + cl_strerror(loaded);
      return nullptr;
    }
  }
  if (signatures == 0) {
    *error = "no ClamAV signature found in the database folders";
    return nullptr;
  }
  long long limit = static_cast<long long>(
      std::min<std::uint64_t>(max_file_size, std::numeric_limits<long long>::max()));
  cl_engine_set_num(engine.get(), CL_ENGINE_MAX_FILESIZE, limit);
  cl_engine_set_num(engine.get(), CL_ENGINE_MAX_SCANSIZE, limit);
  if (cl_error_t compiled = cl_engine_compile(engine.get()); compiled != CL_SUCCESS) {
    *error = std::string("libclamav cannot compile its engine: ") + cl_strerror(compiled);
    return nullptr;
  }
  return std::make_unique<ClamavEngine>(std::move(engine), signatures);
}

std::filesystem::path SystemClamavFolder() { return cl_retdbdir(); }

}  // namespace dravanta::scan_server
