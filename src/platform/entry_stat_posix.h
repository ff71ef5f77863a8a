// How an entry's kind, size and times are read from the system: one statx
// that never follows a link. Shared by the listings and the single-path
// stats of the POSIX backend; not for use outside the platform layer.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <limits>

#include "platform/fs.h"

namespace zuruza::internal {

inline constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

// Links are never followed and automounts never triggered, so a listing
// cannot wander off or wake a remote file system.
inline constexpr int kStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
inline constexpr unsigned kStatMask = STATX_BASIC_STATS | STATX_BTIME;

// Saturates instead of overflowing for timestamps beyond the year 2262.
inline UnixNanos NanosOf(const struct statx_timestamp& stamp) {
  std::int64_t nanos = 0;
  if (__builtin_mul_overflow(static_cast<std::int64_t>(stamp.tv_sec), kNanosPerSecond, &nanos))
    return stamp.tv_sec < 0 ? std::numeric_limits<UnixNanos>::min()
                            : std::numeric_limits<UnixNanos>::max();
  if (__builtin_add_overflow(nanos, static_cast<std::int64_t>(stamp.tv_nsec), &nanos))
    return std::numeric_limits<UnixNanos>::max();
  return nanos;
}

inline EntryKind KindOf(unsigned mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  if (S_ISLNK(mode)) return EntryKind::kSymlink;
  return EntryKind::kOther;
}

inline void FillFromStatx(const struct statx& info, DirEntry& entry) {
  entry.kind = KindOf(info.stx_mode);
  entry.size = entry.kind == EntryKind::kDirectory ? 0 : info.stx_size;
  entry.write_time = NanosOf(info.stx_mtime);
  entry.access_time = NanosOf(info.stx_atime);
  entry.creation_time =
      (info.stx_mask & STATX_BTIME) != 0 ? NanosOf(info.stx_btime) : entry.write_time;
  entry.detailed = true;
}

}  // namespace zuruza::internal
