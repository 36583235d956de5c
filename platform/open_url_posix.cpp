#include "platform/open_url.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/text.h"

extern char** environ;

namespace dravanta {
namespace {

// The program's full path from PATH, found before any fork: between fork
// and exec a threaded process may only make the simplest calls.
std::string FindProgram(std::string_view name) {
  const char* path = getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = rest.find(':');
    std::string folder(rest.substr(0, colon));
    if (folder.empty()) folder = ".";
    std::string candidate = folder + "/" + std::string(name);
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

bool OpenUrlOnDesktop(std::u16string_view address) {
  if (address.empty() || address.front() == u'-') return false;
  const std::string url = Utf16ToUtf8(address);
  std::string program = FindProgram("xdg-open");
  if (program.empty()) return false;
  char* const argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  // Double fork: the middle process ends at once and is reaped here; the
  // helper is then left to the system, which reaps it when it ends. No
  // thread of ours waits for it.
  const pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    const pid_t helper = fork();
    if (helper == 0) {
      execve(argv[0], argv, environ);
      _exit(127);
    }
    _exit(helper < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool DesktopBrowserAvailable() {
  const char* off = getenv("DRAVANTA_NO_BROWSER");
  if (off != nullptr && strcmp(off, "1") == 0) return false;
  const char* x = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

}  // namespace dravanta
