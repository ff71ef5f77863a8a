// File times to the nanosecond as the file system keeps them, for tests of
// the tools' dates: the access time, which std::filesystem neither sets nor
// reads, the birth time, and the write time of a link itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zuruza::testing {

// An instant as the file system stores it: seconds since 1970 UTC (negative
// before) and the nanoseconds after that second, from 0 to 999999999.
struct FileTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
};

struct FileTimes {
  FileTime access;
  FileTime write;
  std::optional<FileTime> birth;  // where the file system records it
};

// Sets the access and last-write times of `path`, or of the link itself
// when it is a symbolic link. Throws std::runtime_error on failure.
void SetFileTimes(const std::string& path, FileTime access, FileTime write);

// The times of `path`, or of the link itself when it is one. Throws
// std::runtime_error on failure.
FileTimes FileTimesOf(const std::string& path);

}  // namespace zuruza::testing
