#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <string_view>

#include "base/errors.h"
#include "platform/drives.h"
#include "platform/drives_internal.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace zuruza {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The mount table, or nothing when it cannot be read.
std::string MountTable() {
  try {
    return ReadWholeFile("/proc/self/mounts");
  } catch (const IoError&) {
    return {};
  }
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// Volume labels by the device node each /dev/disk/by-label link points to.
std::map<std::string, std::string> ReadLabels() {
  std::map<std::string, std::string> labels;
  const std::string dir_path = "/dev/disk/by-label/";
  DIR* dir = opendir(dir_path.c_str());
  if (dir == nullptr) return labels;
  while (const dirent* item = readdir(dir)) {
    if (item->d_name[0] == '.') continue;
    std::string device = RealPath(dir_path + item->d_name);
    if (!device.empty()) labels[device] = internal::DecodeLabelName(item->d_name);
  }
  closedir(dir);
  return labels;
}

}  // namespace

std::vector<std::string> ListMountPoints() {
  std::vector<std::string> points;
  for (const MountLine& line : internal::ParseMountTable(MountTable())) {
    std::string point = internal::DecodeMountField(line.mount_point);
    while (point.size() > 1 && point.back() == kPathSep) point.pop_back();
    points.push_back(std::move(point));
  }
  return points;
}

std::vector<Drive> ListDrives() {
  const std::vector<MountLine> mounts = internal::ParseMountTable(MountTable());
  std::map<std::string, std::string> labels = ReadLabels();
  // Mounts name devices by other links (/dev/mapper/..., /dev/disk/by-uuid/...)
  // than the device node the label link resolves to.
  if (!labels.empty()) {
    for (const MountLine& line : mounts) {
      const std::string source = internal::DecodeMountField(line.source);
      if (!StartsWith(source, "/dev/") || labels.count(source) != 0) continue;
      if (auto label = labels.find(RealPath(source)); label != labels.end())
        labels[source] = label->second;
    }
  }

  std::vector<Drive> drives;
  for (Drive& drive : DrivesFromMounts(mounts, labels)) {
    // Files bind-mounted from a disk (containers' /etc/hosts) are not drives.
    // Network shares are not probed: a dead server would block here.
    if (drive.mount_point != "/" && !drive.network && !IsExistingDirectory(drive.mount_point))
      continue;
    drives.push_back(std::move(drive));
  }
  if (drives.empty() || drives.front().mount_point != "/")
    drives.insert(drives.begin(), Drive{"/", "", "", false});
  return drives;
}

}  // namespace zuruza
