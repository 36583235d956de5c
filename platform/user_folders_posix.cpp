#include "platform/user_folders.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/text.h"

namespace dravanta {

std::u16string HomeFolder() {
  const char* home = getenv("HOME");
  if (home != nullptr && home[0] == '/') return Utf8ToUtf16(home);
  struct passwd entry;
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    return Utf8ToUtf16(found->pw_dir);
  }
  return {};
}

std::u16string UserStateFolder() {
  const char* state = getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return Utf8ToUtf16(state);
  const std::u16string home = HomeFolder();
  if (home.empty()) return {};
  return home + u"/.local/state";
}

bool IsWritableFolder(const std::u16string& path) {
  const std::string native = Utf16ToUtf8(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return access(native.c_str(), W_OK | X_OK) == 0;
}

bool IsExistingFolder(const std::u16string& path) {
  struct stat info;
  return !path.empty() && stat(Utf16ToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsExistingFile(const std::u16string& path) {
  struct stat info;
  return !path.empty() && stat(Utf16ToUtf8(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CreateFolders(const std::u16string& path) {
  const std::string native = Utf16ToUtf8(path);
  for (size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
    const std::string prefix = native.substr(0, slash);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsExistingFolder(path);
}

}  // namespace dravanta
