#include "platform/drives.h"

#include <sys/statvfs.h>

#include "internal/mounts_posix.h"
#include "platform/text.h"

namespace dravanta {

std::vector<std::u16string> ListFixedDrives() {
  std::vector<std::u16string> roots;
  for (const std::string& mount_point : ChooseFixedDrives(ReadMountTable(), SystemDeviceProbe())) {
    roots.push_back(Utf8ToUtf16(mount_point));
    if (roots.back().back() != u'/') roots.back() += u'/';
  }
  return roots;
}

bool QueryUsedSpace(std::u16string_view path, uint64_t* used_bytes) {
  struct statvfs fs;
  if (statvfs(Utf16ToUtf8(path).c_str(), &fs) != 0) return false;
  const uint64_t blocks = fs.f_blocks >= fs.f_bfree ? fs.f_blocks - fs.f_bfree : 0;
  *used_bytes = blocks * static_cast<uint64_t>(fs.f_frsize);
  return true;
}

bool IsDriveRoot(std::u16string_view text) {
  if (text.empty()) return false;
  std::string path = Utf16ToUtf8(text);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const MountEntry& mount : ReadMountTable()) {
    if (mount.mount_point == path) return true;
  }
  return false;
}

}  // namespace dravanta
