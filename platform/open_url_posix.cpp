#include "platform/open_url.h"

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace dravanta {

bool OpenUrlOnDesktop(const std::string& url) {
  if (url.empty() || url.front() == '-') return false;
  std::string program = "xdg-open";
  char* const argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // Reap the helper when it ends so it leaves no zombie behind.
  std::thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  }).detach();
  return true;
}

bool DesktopBrowserAvailable() {
  const char* off = getenv("DRAVANTA_NO_BROWSER");
  if (off != nullptr && strcmp(off, "1") == 0) return false;
  const char* x = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

}  // namespace dravanta
