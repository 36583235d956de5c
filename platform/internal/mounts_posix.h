// The mount table, and the mounts that are fixed drives. POSIX
// implementation files only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// One line of /proc/self/mountinfo, escapes (\040 and the like) decoded.
struct MountEntry {
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string root;         // the directory of the filesystem that is mounted
  std::string mount_point;  // where it is mounted
  std::string fs_type;
  std::string source;
};

std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mounts of this process; empty when the table cannot be read.
std::vector<MountEntry> ReadMountTable();

// Filesystem types that hold no user files (proc, sysfs, devtmpfs, ...).
bool IsPseudoFilesystemType(std::string_view fs_type);

// The device questions that decide whether a mount is a fixed drive.
struct DeviceProbe {
  // True when `path` is a block device node of a fixed (not removable, not
  // optical) disk.
  bool (*is_fixed_disk)(const std::string& device_path);
  // True when `path` is a directory.
  bool (*is_directory)(const std::string& path);
};
DeviceProbe SystemDeviceProbe();

// Mount points of the fixed local filesystems among `mounts`: block-device
// backed disk filesystems that are not removable, and overlay roots; network,
// optical, RAM and pseudo filesystems are left out. Each filesystem
// (major:minor) appears once, preferably the mount of its own root.
std::vector<std::string> ChooseFixedDrives(const std::vector<MountEntry>& mounts,
                                           const DeviceProbe& probe);

}  // namespace dravanta
