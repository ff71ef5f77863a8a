#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/entry_stat_posix.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace zuruza {

using internal::FillFromStatx;
using internal::kNanosPerSecond;
using internal::kStatFlags;
using internal::kStatMask;

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
