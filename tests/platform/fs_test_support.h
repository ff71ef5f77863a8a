// File times as the file system tests set and read them, to the nanosecond.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/testing/file_times.h"

namespace zuruza::fs_test {

inline constexpr std::int64_t kSecond = 1'000'000'000;

// Access and write times as {seconds, nanoseconds}, the link itself for a link.
inline void SetTimes(const std::string& path, testing::FileTime access, testing::FileTime write) {
  ASSERT_NO_THROW(testing::SetFileTimes(path, access, write)) << path;
}

inline testing::FileTimes TimesOf(const std::string& path) {
  testing::FileTimes times;
  EXPECT_NO_THROW(times = testing::FileTimesOf(path)) << path;
  return times;
}

}  // namespace zuruza::fs_test
