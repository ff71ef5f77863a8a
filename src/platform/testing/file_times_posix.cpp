#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/testing/file_times.h"

namespace zuruza::testing {

void SetFileTimes(const std::string& path, FileTime access, FileTime write) {
  timespec times[2];
  times[0].tv_sec = static_cast<time_t>(access.seconds);
  times[0].tv_nsec = static_cast<long>(access.nanoseconds);
  times[1].tv_sec = static_cast<time_t>(write.seconds);
  times[1].tv_nsec = static_cast<long>(write.nanoseconds);
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("utimensat " + path + ": " + std::strerror(errno));
}

FileTimes FileTimesOf(const std::string& path) {
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info) !=
      0)
    throw std::runtime_error("statx " + path + ": " + std::strerror(errno));
  FileTimes times;
  times.access = {info.stx_atime.tv_sec, info.stx_atime.tv_nsec};
  times.write = {info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec};
  if (info.stx_mask & STATX_BTIME)
    times.birth = FileTime{info.stx_btime.tv_sec, info.stx_btime.tv_nsec};
  return times;
}

}  // namespace zuruza::testing
