// Outcome codes of one scanned file and of the end of a scan.
//
// Negative codes are threats, 0..999 verdicts without a threat, 1000 means
// no verdict, 10001 and up are failures. The connector turns the server's
// result numbers and the transport's result codes into these codes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace dravanta {

using ScanOutcome = int32_t;

constexpr ScanOutcome kOutcomeSuspicious = -2;
constexpr ScanOutcome kOutcomeDirty = -1;
constexpr ScanOutcome kOutcomeClean = 0;
constexpr ScanOutcome kOutcomeExceededArchiveDepth = 1;
constexpr ScanOutcome kOutcomeEncryptedArchive = 2;
constexpr ScanOutcome kOutcomeNotScanned = 999;
constexpr ScanOutcome kOutcomeUnknown = 1000;
constexpr ScanOutcome kOutcomeFailed = 10001;
constexpr ScanOutcome kOutcomeConnectionRefused = 10002;
constexpr ScanOutcome kOutcomeAddressInUse = 10003;
constexpr ScanOutcome kOutcomeOutOfMemory = 10004;
// The file could not be opened or read on this machine (permission, lock, a
// file that shrank); it never reached the server.
constexpr ScanOutcome kOutcomeUnreadable = 10005;
// The file was gone between its listing and its reading.
constexpr ScanOutcome kOutcomeVanished = 10006;
constexpr ScanOutcome kOutcomeFileTooLarge = 10008;
constexpr ScanOutcome kOutcomeServerResult13 = 10009;
constexpr ScanOutcome kOutcomeServerResult14 = 10010;

// Completion codes at or above this mark an abandoned scan.
constexpr ScanOutcome kFirstFailureOutcome = 10000;

// A file found with a threat: every negative code.
constexpr bool IsThreat(ScanOutcome code) { return code < kOutcomeClean; }

// A failure: a file that could not be scanned, or (as a completion code) an
// abandoned scan.
constexpr bool IsFailure(ScanOutcome code) { return code >= kFirstFailureOutcome; }

// The four outcome counters of a scan. Several threads count at once.
struct OutcomeCounts {
  std::atomic<int32_t> clean{0};
  std::atomic<int32_t> threats{0};
  std::atomic<int32_t> not_scanned{0};
  std::atomic<int32_t> failed{0};

  void Reset();
};

// Maps a "final_scan_result" number and counts it in `counts` (result 5 and
// unlisted numbers count nowhere).
ScanOutcome MapServerResult(OutcomeCounts& counts, int32_t server_result);

// Maps a transport result code; counts nothing.
ScanOutcome MapTransportCode(uint32_t transport_code);

// The text of a code; "Unknown scan result!" for codes without one.
std::u16string OutcomeText(ScanOutcome code);

}  // namespace dravanta
