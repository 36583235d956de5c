#include "platform/user_and_host.h"

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/text.h"

namespace dravanta {

bool ReadLoginName(std::u16string* name) {
  struct passwd entry;
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_name == nullptr) {
    return false;
  }
  *name = Utf8ToUtf16(found->pw_name);
  return true;
}

bool ReadMachineHostName(std::u16string* name) {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return false;
  *name = Utf8ToUtf16(buffer);
  return true;
}

}  // namespace dravanta
