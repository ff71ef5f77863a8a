#include "platform/drives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/drives_internal.h"
#include "platform/fs.h"

namespace zuruza {
namespace {

std::vector<std::string> MountPoints(const std::vector<Drive>& drives) {
  std::vector<std::string> points;
  for (const Drive& drive : drives) points.push_back(drive.mount_point);
  return points;
}

// The drive at the mount point; a failure and an empty drive when missing.
Drive FindDrive(const std::vector<Drive>& drives, const std::string& mount_point) {
  for (const Drive& drive : drives)
    if (drive.mount_point == mount_point) return drive;
  ADD_FAILURE() << "no drive at " << mount_point;
  return Drive{};
}

// --- DriveText and DriveRoot ---

TEST(DriveText, LabelInBracketsSourceForNetworkMountPointOtherwise) {
  struct Row {
    Drive drive;
    std::string expected;
  };
  const Row rows[] = {
      {{"/media/usb", "BACKUP", "/dev/sdb1", false}, "/media/usb [BACKUP]"},
      {{"/", "", "/dev/sda2", false}, "/"},
      {{"/data", "", "/dev/sdc1", false}, "/data"},
      {{"/mnt/share", "", "server:/export", true}, "/mnt/share server:/export"},
      {{"/mnt/smb", "ignored", "//host/share", true}, "/mnt/smb //host/share"},
      {{"/media/My Disk", "My Disk", "/dev/sdd1", false}, "/media/My Disk [My Disk]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(DriveText(row.drive), row.expected);
  }
}

TEST(DriveRoot, MountPointWithOneTrailingSeparator) {
  const std::string sep(1, kPathSep);
  EXPECT_EQ(DriveRoot(Drive{sep, "", "/dev/sda1", false}), sep);
  EXPECT_EQ(DriveRoot(Drive{sep + "home", "", "/dev/sda3", false}), sep + "home" + sep);
  EXPECT_EQ(DriveRoot(Drive{sep + "mnt" + sep + "share", "", "server:/x", true}),
            sep + "mnt" + sep + "share" + sep);
}

// --- DrivesFromMounts ---

TEST(DrivesFromMounts, KeepsBlockDevicesAndNetworkSharesDropsPseudoFileSystems) {
  const std::vector<MountLine> mounts = {
      {"/dev/sda2", "/", "ext4"},
      {"proc", "/proc", "proc"},
      {"sysfs", "/sys", "sysfs"},
      {"udev", "/dev", "devtmpfs"},
      {"tmpfs", "/run", "tmpfs"},
      {"/dev/sda1", "/boot/efi", "vfat"},
      {"server:/export", "/mnt/nfs", "nfs4"},
      {"//host/share", "/mnt/smb", "cifs"},
      {"user@host:/home", "/mnt/ssh", "fuse.sshfs"},
      {"gvfsd-fuse", "/run/user/1000/gvfs", "fuse.gvfsd-fuse"},
      {"/dev/sdb1", "/media/usb", "fuseblk"},
      {"/dev/loop3", "/snap/core/1", "squashfs"},
  };
  const std::vector<Drive> drives = DrivesFromMounts(mounts, {});
  EXPECT_EQ(MountPoints(drives), (std::vector<std::string>{"/", "/boot/efi", "/media/usb",
                                                           "/mnt/nfs", "/mnt/smb", "/mnt/ssh"}));
  EXPECT_FALSE(FindDrive(drives, "/").network);
  EXPECT_EQ(FindDrive(drives, "/").source, "/dev/sda2");
  EXPECT_TRUE(FindDrive(drives, "/mnt/nfs").network);
  EXPECT_EQ(FindDrive(drives, "/mnt/nfs").source, "server:/export");
  EXPECT_TRUE(FindDrive(drives, "/mnt/ssh").network);
  EXPECT_FALSE(FindDrive(drives, "/media/usb").network);
}

TEST(DrivesFromMounts, EveryPseudoTypeIsDroppedEvenFromADevice) {
  const char* pseudo_types[] = {"proc",       "sysfs",   "tmpfs",       "devtmpfs",   "devpts",
                                "cgroup",     "cgroup2", "mqueue",      "debugfs",    "tracefs",
                                "securityfs", "pstore",  "bpf",         "configfs",   "fusectl",
                                "hugetlbfs",  "autofs",  "binfmt_misc", "rpc_pipefs", "nsfs",
                                "efivarfs",   "ramfs",   "squashfs",    "overlay"};
  for (const char* type : pseudo_types) {
    SCOPED_TRACE(type);
    EXPECT_TRUE(DrivesFromMounts({{"/dev/x", "/mnt/p", type}, {type, "/mnt/q", type}}, {}).empty());
  }
}

TEST(DrivesFromMounts, EveryNetworkTypeIsKeptAsNetwork) {
  const char* network_types[] = {"nfs",   "nfs4",       "cifs", "smb3",
                                 "smbfs", "fuse.sshfs", "9p",   "virtiofs"};
  for (const char* type : network_types) {
    SCOPED_TRACE(type);
    const std::vector<Drive> drives = DrivesFromMounts({{"remote-source", "/mnt/net", type}}, {});
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_TRUE(drives[0].network);
    EXPECT_EQ(drives[0].source, "remote-source");
    EXPECT_EQ(DriveText(drives[0]), "/mnt/net remote-source");
  }
}

TEST(DrivesFromMounts, RootIsKeptWhateverItsType) {
  struct Row {
    MountLine line;
  };
  const Row rows[] = {
      {{"overlay", "/", "overlay"}}, {{"rootfs", "/", "rootfs"}}, {{"tmpfs", "/", "tmpfs"}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line.fs_type);
    const std::vector<Drive> drives = DrivesFromMounts({row.line, {"tmpfs", "/tmp", "tmpfs"}}, {});
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].mount_point, "/");
    EXPECT_EQ(drives[0].source, row.line.source);
    EXPECT_FALSE(drives[0].network);
  }
}

TEST(DrivesFromMounts, OtherSourcesThanDevicesAreDropped) {
  EXPECT_TRUE(
      DrivesFromMounts(
          {{"rpool/data", "/data", "zfs"}, {"none", "/x", "ext4"}, {"dev/sda1", "/y", "ext4"}}, {})
          .empty());
}

TEST(DrivesFromMounts, LastLineForAMountPointWins) {
  const std::vector<MountLine> mounts = {
      {"/dev/sdb1", "/media/usb", "vfat"},
      {"/dev/sdc1", "/media/usb", "ext4"},
      {"/dev/sdd1", "/hidden", "ext4"},
      {"tmpfs", "/hidden", "tmpfs"},  // a pseudo mount over a disk hides it
      {"tmpfs", "/revealed", "tmpfs"},
      {"/dev/sde1", "/revealed", "ext4"},
  };
  const std::vector<Drive> drives = DrivesFromMounts(mounts, {});
  EXPECT_EQ(MountPoints(drives), (std::vector<std::string>{"/media/usb", "/revealed"}));
  EXPECT_EQ(FindDrive(drives, "/media/usb").source, "/dev/sdc1");
  EXPECT_EQ(FindDrive(drives, "/revealed").source, "/dev/sde1");
}

TEST(DrivesFromMounts, SortedByMountPointBytes) {
  const std::vector<MountLine> mounts = {
      {"/dev/a", "/mnt/\xC3\xA9t\xC3\xA9", "ext4"},
      {"/dev/b", "/mnt/z", "ext4"},
      {"/dev/c", "/mnt/Z", "ext4"},
      {"/dev/d", "/mnt", "ext4"},
      {"/dev/e", "/mnt-2", "ext4"},
      {"/dev/f", "/", "ext4"},
      {"/dev/g", "/mnt/\x7F", "ext4"},
  };
  EXPECT_EQ(MountPoints(DrivesFromMounts(mounts, {})),
            (std::vector<std::string>{"/", "/mnt", "/mnt-2", "/mnt/Z", "/mnt/z", "/mnt/\x7F",
                                      "/mnt/\xC3\xA9t\xC3\xA9"}));
}

TEST(DrivesFromMounts, DecodesOctalEscapesOfTheMountTable) {
  const std::vector<MountLine> mounts = {
      {"/dev/sdb1", "/media/My\\040Disk", "vfat"},
      {"/dev/sdc1", "/media/tab\\011and\\134slash", "ext4"},
      {"/dev/disk\\040a", "/media/d", "ext4"},
  };
  const std::map<std::string, std::string> labels = {{"/dev/disk a", "SPACED"}};
  const std::vector<Drive> drives = DrivesFromMounts(mounts, labels);
  EXPECT_EQ(MountPoints(drives),
            (std::vector<std::string>{"/media/My Disk", "/media/d", "/media/tab\tand\\slash"}));
  EXPECT_EQ(FindDrive(drives, "/media/d").source, "/dev/disk a");
  EXPECT_EQ(FindDrive(drives, "/media/d").label, "SPACED");
}

TEST(DrivesFromMounts, EscapedAndPlainLinesForOneMountPointAreOneDrive) {
  const std::vector<Drive> drives = DrivesFromMounts(
      {{"/dev/sdb1", "/media/a\\040b", "vfat"}, {"/dev/sdc1", "/media/a b", "ext4"}}, {});
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].source, "/dev/sdc1");
}

TEST(DrivesFromMounts, LabelsLookedUpBySourceDevice) {
  const std::map<std::string, std::string> labels = {{"/dev/sdb1", "BACKUP"},
                                                     {"/dev/sda9", "UNMOUNTED"}};
  const std::vector<Drive> drives = DrivesFromMounts(
      {{"/dev/sdb1", "/media/b", "vfat"}, {"/dev/sdc1", "/media/c", "ext4"}}, labels);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].label, "BACKUP");
  EXPECT_EQ(DriveText(drives[0]), "/media/b [BACKUP]");
  EXPECT_EQ(drives[1].label, "");
  EXPECT_EQ(DriveText(drives[1]), "/media/c");
}

TEST(DrivesFromMounts, TrailingSeparatorsLeftOffExceptForRoot) {
  const std::vector<Drive> drives =
      DrivesFromMounts({{"/dev/a", "/", "ext4"}, {"/dev/b", "/data/", "ext4"}}, {});
  EXPECT_EQ(MountPoints(drives), (std::vector<std::string>{"/", "/data"}));
}

TEST(DrivesFromMounts, NoLinesNoDrives) { EXPECT_TRUE(DrivesFromMounts({}, {}).empty()); }

// --- Mount table text ---

TEST(DecodeMountField, OctalEscapesBecomeBytesOthersStay) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"plain", "plain"},
      {"a\\040b", "a b"},
      {"\\011\\012\\134", "\t\n\\"},
      {"\\101\\102", "AB"},
      {"\\377", "\xFF"},
      {"end\\04", "end\\04"},
      {"\\400", "\\400"},
      {"\\08a", "\\08a"},
      {"\\", "\\"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(internal::DecodeMountField(row.in), row.out);
  }
}

TEST(DecodeLabelName, HexEscapesBecomeBytesOthersStay) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"BACKUP", "BACKUP"},     {"My\\x20Disk", "My Disk"},
      {"a\\x2fb", "a/b"},       {"\\xC3\\xA9t\\xc3\\xa9", "\xC3\xA9t\xC3\xA9"},
      {"bad\\xZZ", "bad\\xZZ"}, {"short\\x2", "short\\x2"},
      {"\\040", "\\040"},       {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(internal::DecodeLabelName(row.in), row.out);
  }
}

TEST(ParseMountTable, FirstThreeFieldsOfEachLineStillEscaped) {
  const std::string text =
      "/dev/vda / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw 0 0\n"
      "\n"
      "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
      "short line\n"
      "server:/x\t/mnt/nfs\tnfs4 rw 0 0";
  const std::vector<MountLine> lines = internal::ParseMountTable(text);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].source, "/dev/vda");
  EXPECT_EQ(lines[0].mount_point, "/");
  EXPECT_EQ(lines[0].fs_type, "ext4");
  EXPECT_EQ(lines[1].fs_type, "proc");
  EXPECT_EQ(lines[2].mount_point, "/media/My\\040Disk");
  EXPECT_EQ(lines[3].source, "server:/x");
  EXPECT_EQ(lines[3].mount_point, "/mnt/nfs");
  EXPECT_EQ(lines[3].fs_type, "nfs4");
}

// --- ListDrives ---

TEST(ListDrives, SortedAndEveryLocalDriveADirectory) {
  const std::vector<Drive> drives = ListDrives();
  ASSERT_FALSE(drives.empty());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(drives[i].mount_point);
    if (i > 0) {
      EXPECT_LT(drives[i - 1].mount_point, drives[i].mount_point);
    }
    EXPECT_FALSE(drives[i].mount_point.empty());
    if (!drives[i].network) {
      EXPECT_TRUE(IsExistingDirectory(DriveRoot(drives[i])));
    }
  }
}

// --- DriveIndexOf ---

TEST(DriveIndexOf, LongestMountPointAtAComponentBoundary) {
  const std::vector<Drive> drives = {
      {"/", "", "/dev/a", false},
      {"/home", "", "/dev/b", false},
      {"/home/user/media", "", "/dev/c", false},
      {"/mnt/share", "", "srv:/x", true},
  };
  struct Row {
    std::string path;
    std::size_t expected;
  };
  const Row rows[] = {
      {"/", 0},
      {"/etc/passwd", 0},
      {"/home", 1},
      {"/home/", 1},
      {"/homework/x", 0},
      {"/home/user/file", 1},
      {"/home/user/media", 2},
      {"/home/user/media/a/b", 2},
      {"/home/user/mediafile", 1},
      {"/mnt/share/doc", 3},
      {"/mnt/shared", 0},
      {"relative/path", 0},
      {"", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(DriveIndexOf(drives, row.path), row.expected);
  }
}

TEST(DriveIndexOf, OrderOfTheListDoesNotMatter) {
  const std::vector<Drive> drives = {{"/data/deep", "", "/dev/c", false},
                                     {"/data", "", "/dev/b", false},
                                     {"/", "", "/dev/a", false}};
  EXPECT_EQ(DriveIndexOf(drives, "/data/deep/x"), 0u);
  EXPECT_EQ(DriveIndexOf(drives, "/data/x"), 1u);
  EXPECT_EQ(DriveIndexOf(drives, "/other"), 2u);
}

TEST(DriveIndexOf, NoDrivesOrNoMatchIsZero) {
  EXPECT_EQ(DriveIndexOf({}, "/home"), 0u);
  EXPECT_EQ(
      DriveIndexOf({{"/data", "", "/dev/b", false}, {"/home", "", "/dev/c", false}}, "/home/x"),
      1u);
  EXPECT_EQ(DriveIndexOf({{"/data", "", "/dev/b", false}, {"/home", "", "/dev/c", false}}, "/srv"),
            0u);
}

}  // namespace
}  // namespace zuruza
