#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/file.h"
#include "platform/fs.h"

namespace zuruza {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

// Links are never followed and automounts never triggered, so a listing
// cannot wander off or wake a remote file system.
constexpr int kStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
constexpr unsigned kStatMask = STATX_BASIC_STATS | STATX_BTIME;

// Saturates instead of overflowing for timestamps beyond the year 2262.
UnixNanos NanosOf(const struct statx_timestamp& stamp) {
  std::int64_t nanos = 0;
  if (__builtin_mul_overflow(static_cast<std::int64_t>(stamp.tv_sec), kNanosPerSecond, &nanos))
    return stamp.tv_sec < 0 ? std::numeric_limits<UnixNanos>::min()
                            : std::numeric_limits<UnixNanos>::max();
  if (__builtin_add_overflow(nanos, static_cast<std::int64_t>(stamp.tv_nsec), &nanos))
    return std::numeric_limits<UnixNanos>::max();
  return nanos;
}

EntryKind KindOf(unsigned mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  if (S_ISLNK(mode)) return EntryKind::kSymlink;
  return EntryKind::kOther;
}

void FillFromStatx(const struct statx& info, DirEntry& entry) {
  entry.kind = KindOf(info.stx_mode);
  entry.size = entry.kind == EntryKind::kDirectory ? 0 : info.stx_size;
  entry.write_time = NanosOf(info.stx_mtime);
  entry.access_time = NanosOf(info.stx_atime);
  entry.creation_time =
      (info.stx_mask & STATX_BTIME) != 0 ? NanosOf(info.stx_btime) : entry.write_time;
}

// Compares raw bytes as unsigned values, whatever the signedness of char.
bool NameLess(const DirEntry& a, const DirEntry& b) {
  const std::size_t common = std::min(a.name.size(), b.name.size());
  const int order = std::memcmp(a.name.data(), b.name.data(), common);
  return order != 0 ? order < 0 : a.name.size() < b.name.size();
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Assigns into an existing slot where there is one, so that repeated listings
// reuse both the vector and the names' buffers.
DirEntry& NextSlot(std::vector<DirEntry>& entries, std::size_t index) {
  if (index < entries.size()) return entries[index];
  return entries.emplace_back();
}

void FillDotEntry(int dir_fd, DirEntry& entry) {
  struct statx info;
  const bool is_self = entry.name.size() == 1;
  const int result = is_self ? statx(dir_fd, "", kStatFlags | AT_EMPTY_PATH, kStatMask, &info)
                             : statx(dir_fd, "..", kStatFlags, kStatMask, &info);
  if (result == 0) {
    FillFromStatx(info, entry);
  } else {
    entry.write_time = entry.access_time = entry.creation_time = 0;
  }
  // The dot entries stand for directories even when they cannot be stat'ed.
  entry.kind = EntryKind::kDirectory;
  entry.size = 0;
}

}  // namespace

bool ListSubdirectories(const std::string& dir_path, std::vector<std::string>& names) {
  names.clear();
  const int fd = open(dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return false;
  }
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    bool is_dir = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      is_dir = fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (is_dir) names.emplace_back(name);
  }
  closedir(dir);
  // std::string compares bytes as unsigned values, as the listing order needs.
  std::sort(names.begin(), names.end());
  return true;
}

int DirectoryAccessError(const std::string& dir_path) {
  if (dir_path.empty()) return ENOENT;
  const int fd = open(dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

bool ListDirectory(const std::string& dir_path, std::vector<DirEntry>& entries,
                   ListingTrouble* trouble) {
  if (trouble != nullptr) {
    trouble->error = 0;
    trouble->unreadable.clear();
  }
  auto fail = [&](int error) {
    if (trouble != nullptr) trouble->error = error;
    entries.clear();
    return false;
  };
  const int fd = open(dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    const int error = errno;
    close(fd);
    return fail(error);
  }

  NextSlot(entries, 0).name.assign(".");
  NextSlot(entries, 1).name.assign("..");
  std::size_t count = 2;
  int read_error = 0;
  for (;;) {
    errno = 0;
    const dirent* item = readdir(dir);
    if (item == nullptr) {
      read_error = errno;
      break;
    }
    if (IsDotOrDotDot(item->d_name)) continue;
    NextSlot(entries, count++).name.assign(item->d_name);
  }
  if (read_error != 0) {
    closedir(dir);
    return fail(read_error);
  }
  entries.resize(count);
  std::sort(entries.begin() + 2, entries.end(), NameLess);

  const int dir_fd = dirfd(dir);
  FillDotEntry(dir_fd, entries[0]);
  FillDotEntry(dir_fd, entries[1]);
  // Entries whose stat fails (vanished since the read, or unsearchable
  // directory) are dropped by compacting the survivors forward.
  std::size_t kept = 2;
  for (std::size_t i = 2; i < count; ++i) {
    struct statx info;
    if (statx(dir_fd, entries[i].name.c_str(), kStatFlags, kStatMask, &info) != 0) {
      // A vanished entry no longer exists: nothing was missed.
      const int error = errno;
      if (trouble != nullptr && error != ENOENT)
        trouble->unreadable.emplace_back(entries[i].name, error);
      continue;
    }
    if (kept != i) std::swap(entries[kept].name, entries[i].name);
    FillFromStatx(info, entries[kept]);
    ++kept;
  }
  entries.resize(kept);
  closedir(dir);
  return true;
}

std::optional<DirEntry> StatPath(const std::string& path) {
  struct statx info;
  if (path.empty() || statx(AT_FDCWD, path.c_str(), kStatFlags, kStatMask, &info) != 0)
    return std::nullopt;
  DirEntry entry;
  FillFromStatx(info, entry);
  // The name is the last component; trailing separators do not count.
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == kPathSep) --end;
  if (end == 1 && path[0] == kPathSep) {
    entry.name = "/";
  } else {
    const std::size_t slash = path.rfind(kPathSep, end - 1);
    const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
    entry.name = path.substr(begin, end - begin);
  }
  return entry;
}

bool IsExistingFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsExistingDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  // Identities follow links, so a link to a file is that file.
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool SetWriteTime(const std::string& path, UnixNanos write_time) {
  // A cheap check first, so that device files are never opened at all.
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  // Checked again on the open file: the path may have been swapped meanwhile.
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) {
    std::int64_t seconds = write_time / kNanosPerSecond;
    std::int64_t nanos = write_time % kNanosPerSecond;
    // Floor division: times before 1970 keep a non-negative nanosecond part.
    if (nanos < 0) {
      nanos += kNanosPerSecond;
      --seconds;
    }
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(nanos);
    ok = futimens(fd, times) == 0;
  }
  close(fd);
  return ok;
}

// An empty path stays empty: turning it into "/" would silently aim at the
// root directory.
std::string WithTrailingSep(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != kPathSep) result.push_back(kPathSep);
  return result;
}

// Empty when the working directory is gone or unreachable.
std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      return WithTrailingSep(buffer);
    }
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace zuruza
