// The parts of the drive list that read no system: the mount table's text
// forms, the selectors' texts and the search for the drive of a path. Each
// system reads its own drives in drives_<system>.cpp.
#include "platform/drives.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/drives_internal.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {
namespace {

using namespace std::string_view_literals;

// The mount table is in the POSIX form whatever system reads it.
constexpr char kMountSep = '/';

constexpr std::array kNetworkTypes = {"nfs"sv,   "nfs4"sv,       "cifs"sv, "smb3"sv,
                                      "smbfs"sv, "fuse.sshfs"sv, "9p"sv,   "virtiofs"sv};

constexpr std::array kPseudoTypes = {
    "proc"sv,       "sysfs"sv,    "tmpfs"sv,    "devtmpfs"sv,  "devpts"sv,     "cgroup"sv,
    "cgroup2"sv,    "mqueue"sv,   "debugfs"sv,  "tracefs"sv,   "securityfs"sv, "pstore"sv,
    "bpf"sv,        "configfs"sv, "fusectl"sv,  "hugetlbfs"sv, "autofs"sv,     "binfmt_misc"sv,
    "rpc_pipefs"sv, "nsfs"sv,     "efivarfs"sv, "ramfs"sv,     "squashfs"sv,   "overlay"sv};

template <std::size_t N>
bool IsOneOf(std::string_view value, const std::array<std::string_view, N>& set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Whether `path` begins with the mount point `mount`. Windows names drives
// and folders without regard to case ("c:\x" is on "C:"), so there the
// comparison ignores ASCII case; elsewhere names are bytes.
bool StartsWithMount(std::string_view path, std::string_view mount) {
  if (path.size() < mount.size()) return false;
  if constexpr (kPathSep != '\\') {
    return path.compare(0, mount.size(), mount) == 0;
  } else {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(mount.begin(), mount.end(), path.begin(),
                      [&](char a, char b) { return lower(a) == lower(b); });
  }
}

// A separator as a path given by a person may spell it: Windows takes "/"
// for its own "\".
bool IsSeparator(char c) { return c == kPathSep || (kPathSep == '\\' && c == '/'); }

// Byte order, compared as unsigned values whatever the signedness of char.
struct ByteLess {
  bool operator()(const std::string& a, const std::string& b) const {
    const std::size_t common = std::min(a.size(), b.size());
    const int order = std::memcmp(a.data(), b.data(), common);
    return order != 0 ? order < 0 : a.size() < b.size();
  }
};

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string WithoutTrailingSeps(std::string path) {
  while (path.size() > 1 && path.back() == kMountSep) path.pop_back();
  return path;
}

}  // namespace

namespace internal {

std::string DecodeMountField(std::string_view field) {
  std::string result;
  result.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        result.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    result.push_back(field[i]);
  }
  return result;
}

std::string DecodeLabelName(std::string_view name) {
  std::string result;
  result.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const int high = HexValue(name[i + 2]);
      const int low = HexValue(name[i + 3]);
      if (high >= 0 && low >= 0) {
        result.push_back(static_cast<char>(high * 16 + low));
        i += 3;
        continue;
      }
    }
    result.push_back(name[i]);
  }
  return result;
}

std::vector<MountLine> ParseMountTable(std::string_view text) {
  std::vector<MountLine> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;

    std::string fields[3];
    std::size_t found = 0;
    std::size_t at = 0;
    while (found < 3) {
      at = line.find_first_not_of(" \t", at);
      if (at == std::string_view::npos) break;
      std::size_t stop = line.find_first_of(" \t", at);
      if (stop == std::string_view::npos) stop = line.size();
      fields[found++] = std::string(line.substr(at, stop - at));
      at = stop;
    }
    if (found == 3) lines.push_back(MountLine{fields[0], fields[1], fields[2]});
  }
  return lines;
}

}  // namespace internal

std::string DriveText(const Drive& drive) {
  // A network drive the system no longer knows the share of shows alone.
  if (drive.network) {
    return drive.source.empty() ? drive.mount_point : drive.mount_point + " " + drive.source;
  }
  if (!drive.label.empty()) return drive.mount_point + " [" + drive.label + "]";
  return drive.mount_point;
}

std::string DriveRoot(const Drive& drive) { return WithTrailingSep(drive.mount_point); }

std::vector<Drive> DrivesFromMounts(const std::vector<MountLine>& mounts,
                                    const std::map<std::string, std::string>& labels) {
  // Later lines mount over earlier ones at the same place, so the last one
  // is what the person sees there.
  std::map<std::string, MountLine, ByteLess> visible;
  for (const MountLine& raw : mounts) {
    MountLine line{internal::DecodeMountField(raw.source),
                   WithoutTrailingSeps(internal::DecodeMountField(raw.mount_point)),
                   internal::DecodeMountField(raw.fs_type)};
    if (line.mount_point.empty()) continue;
    std::string key = line.mount_point;
    visible[key] = std::move(line);
  }

  std::vector<Drive> drives;
  for (const auto& [mount_point, line] : visible) {
    const bool network = IsOneOf(line.fs_type, kNetworkTypes);
    // The root stays whatever it is: containers mount it as an overlay.
    const bool keep = mount_point == "/" || (!IsOneOf(line.fs_type, kPseudoTypes) &&
                                             (network || StartsWith(line.source, "/dev/")));
    if (!keep) continue;
    Drive drive;
    drive.mount_point = mount_point;
    drive.source = line.source;
    drive.network = network;
    if (auto label = labels.find(line.source); label != labels.end()) drive.label = label->second;
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::unordered_set<std::string> MountPointsBelow(const std::string& root,
                                                 const std::vector<std::string>& mount_points) {
  std::string spelled = root;
  while (!spelled.empty() && spelled.back() == kPathSep) spelled.pop_back();
  std::string resolved = ResolvePath(spelled.empty() ? std::string(1, kPathSep) : spelled);
  if (resolved.back() != kPathSep) resolved += kPathSep;
  std::unordered_set<std::string> below;
  for (const std::string& point : mount_points) {
    if (point.size() > resolved.size() && StartsWithMount(point, resolved)) {
      std::string rest = point.substr(resolved.size());
      while (!rest.empty() && rest.back() == kPathSep) rest.pop_back();
      if (!rest.empty()) below.insert(spelled + kPathSep + rest);
    }
  }
  return below;
}

std::size_t DriveIndexOf(const std::vector<Drive>& drives, const std::string& path) {
  std::size_t best = 0;
  std::size_t best_length = 0;
  bool found = false;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const std::string& mount = drives[i].mount_point;
    if (mount.empty() || !StartsWithMount(path, mount)) continue;
    // A prefix counts only at a component boundary: "/home" holds
    // "/home/x" but not "/homework".
    const bool boundary =
        path.size() == mount.size() || IsSeparator(mount.back()) || IsSeparator(path[mount.size()]);
    if (!boundary) continue;
    if (!found || mount.size() > best_length) {
      best = i;
      best_length = mount.size();
      found = true;
    }
  }
  return best;
}

}  // namespace zuruza
