#include "platform/machine_identity.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/text.h"

namespace dravanta {
namespace {

// First line of a small system file, without trailing white space.
std::string ReadFirstLine(const char* path) {
  int descriptor = open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return {};
  char buffer[256];
  ssize_t count = read(descriptor, buffer, sizeof buffer);
  close(descriptor);
  if (count <= 0) return {};
  std::string line(buffer, static_cast<size_t>(count));
  size_t end = line.find_first_of("\r\n");
  if (end != std::string::npos) line.resize(end);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return line;
}

}  // namespace

std::optional<std::u16string> QueryHostName() {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return std::nullopt;
  return Utf8ToUtf16(buffer);
}

std::optional<std::u16string> QueryUserName() {
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_name == nullptr) {
    return std::nullopt;
  }
  return Utf8ToUtf16(found->pw_name);
}

std::vector<MachineProperty> QueryMachineProperties() {
  std::string machine_id = ReadFirstLine("/etc/machine-id");
  if (machine_id.empty()) machine_id = ReadFirstLine("/var/lib/dbus/machine-id");
  std::string root_filesystem_id;
  struct statvfs root {};
  if (statvfs("/", &root) == 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(root.f_fsid));
    root_filesystem_id = text;
  }
  return {{"machine-id", std::move(machine_id)},
          {"product-uuid", ReadFirstLine("/sys/class/dmi/id/product_uuid")},
          {"root-filesystem", std::move(root_filesystem_id)}};
}

}  // namespace dravanta
