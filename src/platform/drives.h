// Drives: the mounted real file systems, for the drive selectors.
#pragma once

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace zuruza {

struct Drive {
  std::string mount_point;  // no trailing separator, except "/"
  std::string label;        // volume label, may be empty
  std::string source;       // device or network source
  bool network = false;
};

// The text a drive selector shows: "<mount point> [<label>]" for a local
// file system (the brackets left out when there is no label) and
// "<mount point> <source>" for a network one.
std::string DriveText(const Drive& drive);

// The drive's root directory with a trailing separator.
std::string DriveRoot(const Drive& drive);

// Parses mount lines in the /proc/self/mounts form, keeping real file systems
// (block devices and network shares; pseudo file systems left out), one per
// mount point, in mount-point byte order. `labels` maps device paths to
// volume labels.
struct MountLine {
  std::string source, mount_point, fs_type;
};
std::vector<Drive> DrivesFromMounts(const std::vector<MountLine>& mounts,
                                    const std::map<std::string, std::string>& labels);

// Reads /proc/self/mounts and /dev/disk/by-label. Never empty: "/" is always
// there.
std::vector<Drive> ListDrives();

// Every mount point of /proc/self/mounts, pseudo file systems included,
// decoded, without trailing separators except "/". Empty when the table
// cannot be read.
std::vector<std::string> ListMountPoints();

// The mount points of `mount_points` strictly below the directory `root`
// (spelled as a walk spells it: relative or not, with or without a trailing
// separator, "" for "/"), spelled the way that walk reaches them: `root`
// without its trailing separators, a separator, the rest of the mount point.
// A walk that stays on one file system stops there.
std::unordered_set<std::string> MountPointsBelow(const std::string& root,
                                                 const std::vector<std::string>& mount_points);

// Index of the drive holding `path` (the longest mount point that is a
// prefix of it), 0 when none fits.
std::size_t DriveIndexOf(const std::vector<Drive>& drives, const std::string& path);

}  // namespace zuruza
