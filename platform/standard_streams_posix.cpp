#include "platform/standard_streams.h"

#include <errno.h>
#include <unistd.h>

#include "internal/write_all_posix.h"

namespace dravanta {

bool WriteStandardOutput(std::string_view bytes) { return WriteAll(STDOUT_FILENO, bytes); }

bool WriteStandardError(std::string_view bytes) { return WriteAll(STDERR_FILENO, bytes); }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace dravanta
