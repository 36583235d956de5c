#include "platform/random_token.h"

#include <errno.h>
#include <sys/random.h>

#include <vector>

#include "platform/ascii.h"

namespace dravanta {

std::string RandomHexToken(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  size_t filled = 0;
  while (filled < bytes) {
    const ssize_t n = getrandom(raw.data() + filled, bytes - filled, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return {};
    }
    filled += static_cast<size_t>(n);
  }
  return LowerHexText(raw);
}

}  // namespace dravanta
