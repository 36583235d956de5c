#include "mounts_posix.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace dravanta {
namespace {

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string DecodeEscapes(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) break;
    const size_t end = line.find(' ', pos);
    const size_t stop = end == std::string_view::npos ? line.size() : end;
    fields.push_back(line.substr(pos, stop - pos));
    pos = stop;
  }
  return fields;
}

bool ParseDevice(std::string_view text, uint32_t* major, uint32_t* minor) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 >= text.size()) return false;
  uint64_t values[2] = {0, 0};
  std::string_view parts[2] = {text.substr(0, colon), text.substr(colon + 1)};
  for (int i = 0; i < 2; ++i) {
    for (char c : parts[i]) {
      if (c < '0' || c > '9') return false;
      values[i] = values[i] * 10 + static_cast<uint64_t>(c - '0');
      if (values[i] > 0xFFFFFFFFu) return false;
    }
  }
  *major = static_cast<uint32_t>(values[0]);
  *minor = static_cast<uint32_t>(values[1]);
  return true;
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (value == name) return true;
  }
  return false;
}

bool IsNetworkType(std::string_view fs_type) {
  if (fs_type.substr(0, 5) == "fuse.") return true;  // sshfs, gvfs and other user-space mounts
  return IsOneOf(fs_type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph",
                           "glusterfs", "9p", "lustre", "gfs2", "ocfs2", "davfs", "coda"});
}

bool IsRamType(std::string_view fs_type) { return IsOneOf(fs_type, {"tmpfs", "ramfs"}); }

bool IsOpticalType(std::string_view fs_type) { return IsOneOf(fs_type, {"iso9660", "udf"}); }

// Local filesystems that need no block device of their own.
bool IsPoolType(std::string_view fs_type) { return fs_type == "zfs"; }

bool ReadSysfsFlag(const std::string& path) {
  std::ifstream in(path);
  char c = '0';
  return in.get(c) && c == '1';
}

bool SystemIsFixedDisk(const std::string& device_path) {
  struct stat st;
  if (stat(device_path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  const unsigned major_number = major(st.st_rdev);
  constexpr unsigned kScsiCdromMajor = 11;
  if (major_number == kScsiCdromMajor) return false;
  const std::string base =
      "/sys/dev/block/" + std::to_string(major_number) + ":" + std::to_string(minor(st.st_rdev));
  // A partition carries no flag of its own; its disk is the parent folder.
  std::ifstream own(base + "/removable");
  if (own.good()) return !ReadSysfsFlag(base + "/removable");
  return !ReadSysfsFlag(base + "/../removable");
}

bool SystemIsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> fields = SplitFields(text.substr(pos, end - pos));
    pos = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source ...
    size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size()) continue;
    MountEntry mount;
    if (!ParseDevice(fields[2], &mount.major, &mount.minor)) continue;
    mount.root = DecodeEscapes(fields[3]);
    mount.mount_point = DecodeEscapes(fields[4]);
    mount.fs_type = DecodeEscapes(fields[separator + 1]);
    mount.source = DecodeEscapes(fields[separator + 2]);
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::vector<MountEntry> ReadMountTable() {
  std::ifstream in("/proc/self/mountinfo");
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

bool IsPseudoFilesystemType(std::string_view fs_type) {
  return IsOneOf(fs_type,
                 {"proc",     "sysfs",      "devtmpfs",   "devpts",      "cgroup",    "cgroup2",
                  "tracefs",  "debugfs",    "securityfs", "bpf",         "pstore",    "configfs",
                  "efivarfs", "fusectl",    "mqueue",     "binfmt_misc", "selinuxfs", "smackfs",
                  "nsfs",     "rpc_pipefs", "autofs",     "hugetlbfs",   "devfs",     "usbfs"});
}

DeviceProbe SystemDeviceProbe() { return DeviceProbe{SystemIsFixedDisk, SystemIsDirectory}; }

std::vector<std::string> ChooseFixedDrives(const std::vector<MountEntry>& mounts,
                                           const DeviceProbe& probe) {
  std::vector<const MountEntry*> candidates;
  for (const MountEntry& mount : mounts) {
    const std::string_view type = mount.fs_type;
    if (IsPseudoFilesystemType(type) || IsNetworkType(type) || IsRamType(type) ||
        IsOpticalType(type)) {
      continue;
    }
    const bool fixed = type == "overlay" || IsPoolType(type) ||
                       (mount.source.rfind("/dev/", 0) == 0 && probe.is_fixed_disk(mount.source));
    if (fixed && probe.is_directory(mount.mount_point)) candidates.push_back(&mount);
  }
  // Each filesystem once: the mount of its own root first, else its first mount.
  std::set<std::pair<uint32_t, uint32_t>> chosen_devices;
  std::vector<const MountEntry*> chosen;
  for (int pass = 0; pass < 2; ++pass) {
    for (const MountEntry* mount : candidates) {
      if (pass == 0 && mount->root != "/") continue;
      if (chosen_devices.insert({mount->major, mount->minor}).second) chosen.push_back(mount);
    }
  }
  std::vector<std::string> roots;
  for (const MountEntry& mount : mounts) {  // back in mount-table order
    for (const MountEntry* picked : chosen) {
      if (picked == &mount) roots.push_back(mount.mount_point);
    }
  }
  return roots;
}

}  // namespace dravanta
