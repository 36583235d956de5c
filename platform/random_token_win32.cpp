#include <windows.h>
// (after windows.h, which it needs)
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "platform/ascii.h"
#include "platform/random_token.h"

namespace dravanta {

std::string RandomHexToken(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  size_t filled = 0;
  while (filled < bytes) {
    // One call takes at most a ULONG of bytes.
    const ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes - filled, 1u << 30));
    if (BCryptGenRandom(nullptr, raw.data() + filled, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG) !=
        0) {
      return {};
    }
    filled += chunk;
  }
  return LowerHexText(raw);
}

}  // namespace dravanta
