// A failed upload that never reached the server because this machine could
// not read the file: no failure of the server or the network, and worth
// telling apart from one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "connector/scan_outcome.h"

namespace dravanta {

struct LocalReadFailure {
  ScanOutcome code = kOutcomeUnreadable;  // or kOutcomeVanished
  std::u16string reason;                  // e.g. "could not be opened: Permission denied"
};

// Reads the transport's error text of a failed upload of the file at path,
// listed with listed_size bytes. Nothing when the failure was not one of
// reading the file here.
std::optional<LocalReadFailure> ClassifyLocalReadFailure(std::u16string_view error_text,
                                                         std::u16string_view path,
                                                         uint64_t listed_size);

}  // namespace dravanta
