#include <gtest/gtest.h>

#include <set>
#include <string>

#include "internal/mounts_posix.h"

namespace dravanta {
namespace {

TEST(MountsTest, ParseMountInfoLines) {
  const std::vector<MountEntry> mounts = ParseMountInfo(
      "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "29 28 8:17 /data /mnt/my\\040disk rw master:2 propagate_from:3 - vfat /dev/sdb1 rw\n"
      "garbage line\n"
      "30 28 0:26 / /no/separator rw ext4 /dev/sda1\n"
      "31 28 x:y / /bad/device rw - ext4 /dev/sda1 rw\n"
      "\n"
      "32 28 0:45 / /tab\\011name rw - tmpfs tmpfs rw");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].major, 254u);
  EXPECT_EQ(mounts[0].minor, 0u);
  EXPECT_EQ(mounts[0].root, "/");
  EXPECT_EQ(mounts[0].mount_point, "/");
  EXPECT_EQ(mounts[0].fs_type, "ext4");
  EXPECT_EQ(mounts[0].source, "/dev/vda");
  EXPECT_EQ(mounts[1].root, "/data");
  EXPECT_EQ(mounts[1].mount_point, "/mnt/my disk");
  EXPECT_EQ(mounts[1].fs_type, "vfat");
  EXPECT_EQ(mounts[2].mount_point, "/tab\tname");
}

// A pretend machine: the listed devices are fixed disks; "/etc/hosts" is a
// file mounted over a file, as containers do.
bool FakeFixedDisk(const std::string& device) {
  static const std::set<std::string> fixed{"/dev/sda1", "/dev/sda2", "/dev/nvme0n1p1"};
  return fixed.count(device) != 0;
}
bool FakeDirectory(const std::string& path) { return path != "/etc/hosts"; }

TEST(MountsTest, ChooseFixedDrives) {
  const std::vector<MountEntry> mounts = ParseMountInfo(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 0:21 / /proc rw - proc proc rw\n"
      "3 1 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
      "4 1 0:30 / /tmp rw - tmpfs tmpfs rw\n"
      "5 1 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"              // removable
      "6 1 0:50 / /mnt/share rw - nfs4 server:/export rw\n"           // network
      "7 1 0:51 / /mnt/smb rw - cifs //host/share rw\n"               // network
      "8 1 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"            // optical
      "9 1 8:1 /home /mnt/bind rw - ext4 /dev/sda1 rw\n"              // bind of the root disk
      "10 1 0:45 /@home /home rw - btrfs /dev/sda2 rw\n"              // subvolume first ...
      "11 1 0:45 / /mnt/pool rw - btrfs /dev/sda2 rw\n"               // ... its root preferred
      "12 1 0:60 / /var/lib/c/merged rw - overlay overlay rw\n"       // overlay root
      "13 1 0:61 / /mnt/sshfs rw - fuse.sshfs me@host: rw\n"          // network
      "14 1 259:1 /x/hosts /etc/hosts rw - ext4 /dev/nvme0n1p1 rw\n"  // a file
      "15 1 0:70 / /tank rw - zfs tank rw\n"                          // pool filesystem
      "16 1 0:71 / /mnt/ram rw - ramfs ramfs rw\n"
      "17 1 8:1 / /mnt/again rw - ext4 /dev/sda1 rw\n");  // second mount
  const std::vector<std::string> expected{"/", "/mnt/pool", "/var/lib/c/merged", "/tank"};
  EXPECT_EQ(ChooseFixedDrives(mounts, DeviceProbe{FakeFixedDisk, FakeDirectory}), expected);
}

TEST(MountsTest, PseudoFilesystemTypes) {
  for (const char* type : {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "tracefs",
                           "debugfs", "securityfs"}) {
    EXPECT_TRUE(IsPseudoFilesystemType(type)) << type;
  }
  for (const char* type : {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "vfat", ""}) {
    EXPECT_FALSE(IsPseudoFilesystemType(type)) << type;
  }
}

TEST(MountsTest, TheMountTableIsRead) { EXPECT_FALSE(ReadMountTable().empty()); }

}  // namespace
}  // namespace dravanta
