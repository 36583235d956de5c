#include "platform/executable_version.h"

namespace dravanta {

// An ELF executable has no version resource; the build's own version text
// is the shell's (shell/client_version.h).
std::u16string ExecutableFileVersion() { return {}; }

}  // namespace dravanta
