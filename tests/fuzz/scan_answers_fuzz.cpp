// The readers of the server's lookup and upload answers: every file of a
// lookup is either reported once (in request order) or handed on for upload,
// unless the scan is abandoned, when none is reported; an upload reports its
// file exactly once; a threat always has a name and marks the scan; result
// numbers parse only as whole 32-bit decimal texts.
//
// Input: a byte choosing the reader and the transport code, a byte with the
// number of files (lookup), then the answer (one code unit per byte, as the
// transport hands answers on).
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "connector/error_message_hook.h"
#include "connector/scan_result_documents.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using dravanta::ScanOutcome;

struct Reported {
  std::u16string path;
  ScanOutcome code;
  std::u16string threat_name;
};

std::vector<Reported>& Reports() {
  static std::vector<Reported> reports;
  return reports;
}

void OnFile(void*, uint64_t, uint64_t, std::u16string_view path, ScanOutcome code,
            std::u16string_view threat_name, std::u16string_view) {
  Reports().push_back({std::u16string(path), code, std::u16string(threat_name)});
}

void OnModule(void*, int32_t, int32_t, int32_t, std::u16string_view path, ScanOutcome code,
              std::u16string_view threat_name, std::u16string_view) {
  Reports().push_back({std::u16string(path), code, std::u16string(threat_name)});
}

void Quiet(std::u16string_view) {}

// Strict decimal: blanks, a sign, digits, blanks and nothing else, in range.
std::optional<int32_t> ModelResultNumber(std::u16string_view text) {
  std::string narrow;
  for (const char16_t c : text) narrow += c < 0x80 && c != 0 ? static_cast<char>(c) : '\x7f';
  const char* begin = narrow.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE || value > INT32_MAX || value < INT32_MIN) {
    return std::nullopt;
  }
  // strtoll also takes "0x"-less hex? No: base 10 only; but it stops at the
  // first non-digit, so the rest must be blanks.
  for (const char* p = end; *p != '\0'; ++p) {
    if (*p != ' ' && (*p < '\t' || *p > '\r')) return std::nullopt;
  }
  const char* digits = begin;
  while (*digits == ' ' || (*digits >= '\t' && *digits <= '\r')) ++digits;
  if (*digits == '+' || *digits == '-') ++digits;
  if (*digits < '0' || *digits > '9') return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::ErrorMessageHook = &Quiet;
  dravanta::fuzz::InputReader input(data, size);
  const uint8_t mode = input.Byte();
  const uint8_t file_count = input.Byte() % 16;
  const std::u16string answer = dravanta::fuzz::Widen(input.Rest());

  FUZZ_CHECK(dravanta::ParseResultNumber(answer) == ModelResultNumber(answer));

  static constexpr dravanta::TransportCode kCodes[] = {
      dravanta::TransportOk, dravanta::TransportFailed, dravanta::TransportInvalidArgument,
      0x12345678};
  const dravanta::TransportCode code = kCodes[(mode >> 2) % 4];
  const auto form = (mode & 2) != 0 ? dravanta::ReportForm::kModule : dravanta::ReportForm::kFile;

  dravanta::ScanState state;
  state.callbacks.file_progress = &OnFile;
  state.callbacks.module_progress = &OnModule;
  Reports().clear();

  if ((mode & 1) == 0) {
    std::vector<dravanta::ScanFile> files;
    for (uint8_t i = 0; i < file_count; ++i) {
      files.push_back({u"/scan/file" + std::u16string(1, static_cast<char16_t>(u'a' + i)), i});
    }
    const dravanta::LookupReading reading =
        dravanta::ReadLookupAnswer(state, form, code, answer, files);
    if (reading.status == dravanta::LookupStatus::kAbandon) {
      FUZZ_CHECK(Reports().empty() && reading.uploads.empty());
      FUZZ_CHECK(reading.abandon_code >= dravanta::kFirstFailureOutcome);
    } else if (reading.status == dravanta::LookupStatus::kNothingAsked) {
      FUZZ_CHECK(files.empty() && Reports().empty() && reading.uploads.empty());
    } else {
      FUZZ_CHECK(code == dravanta::TransportOk);
      // Each file once: reported or to upload, both lists in request order.
      FUZZ_CHECK(Reports().size() + reading.uploads.size() == files.size());
      size_t r = 0, u = 0;
      for (const auto& file : files) {
        if (r < Reports().size() && Reports()[r].path == file.path) {
          ++r;
        } else {
          FUZZ_CHECK(u < reading.uploads.size() && reading.uploads[u].path == file.path);
          ++u;
        }
      }
      FUZZ_CHECK(state.processed_files <= static_cast<int32_t>(files.size()));
    }
  } else {
    const dravanta::ScanFile file{u"/scan/upload", 7};
    dravanta::ReadUploadAnswer(state, form, code, answer, file);
    FUZZ_CHECK(Reports().size() == 1 && Reports()[0].path == file.path);
  }
  bool threat = false;
  for (const Reported& report : Reports()) {
    if (report.code < 0) {
      threat = true;
      if ((mode & 1) != 0) FUZZ_CHECK(!report.threat_name.empty());
    }
  }
  FUZZ_CHECK(state.threats_found == threat);

  // The per-engine entries of the same text read as a details text.
  for (const auto& verdict : dravanta::ReadEngineVerdicts(answer)) {
    FUZZ_CHECK(verdict.engine_name.size() <= answer.size());
  }
  return 0;
}
