#include <windows.h>

#include <stdexcept>

#include "platform/testing/file_times.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

namespace {

// FILETIME counts 100 ns steps from 1601-01-01 UTC.
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kNanosPerTick = 100;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  const DWORD error = GetLastError();
  throw std::runtime_error(what + " " + path + ": Win32 error " + std::to_string(error));
}

// Seconds and nanoseconds straight to ticks, so that instants beyond the
// range of int64 nanoseconds (after 2262) still convert; the nanoseconds are
// cut to the 100 ns the file system keeps.
FILETIME ToFileTime(FileTime time) {
  const std::int64_t ticks =
      (time.seconds + kSecondsFrom1601To1970) * kTicksPerSecond + time.nanoseconds / kNanosPerTick;
  const auto value = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

FileTime FromFileTime(const FILETIME& time) {
  const auto ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  std::int64_t seconds = ticks / kTicksPerSecond;
  std::int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  return {seconds - kSecondsFrom1601To1970, rest * kNanosPerTick};
}

// The entry itself, a link not followed, a directory as well as a file.
HANDLE OpenEntry(const std::string& path, DWORD access) {
  return CreateFileW(internal::WidePath(path).c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Whether the file system keeps a time of birth of its own: Wine gives the
// write time for it. Probed once, on a file of the temporary folder given
// an old write time.
bool KeepsBirthTimes() {
  static const bool keeps = [] {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"zbt", 0, name) == 0)
      return true;
    bool differ = true;
    const HANDLE file = CreateFileW(name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      const FILETIME old = ToFileTime({1'000'000'000, 0});
      FILETIME creation;
      if (SetFileTime(file, nullptr, nullptr, &old) &&
          GetFileTime(file, &creation, nullptr, nullptr))
        differ = CompareFileTime(&creation, &old) != 0;
      CloseHandle(file);
    }
    DeleteFileW(name);
    return differ;
  }();
  return keeps;
}

}  // namespace

void SetFileTimes(const std::string& path, FileTime access, FileTime write) {
  const HANDLE file = OpenEntry(path, FILE_WRITE_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW", path);
  const FILETIME access_time = ToFileTime(access);
  const FILETIME write_time = ToFileTime(write);
  const BOOL done = SetFileTime(file, nullptr, &access_time, &write_time);
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  if (!done) Fail("SetFileTime", path);
}

FileTimes FileTimesOf(const std::string& path) {
  const HANDLE file = OpenEntry(path, FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW", path);
  FILETIME creation, access, write;
  const BOOL done = GetFileTime(file, &creation, &access, &write);
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  if (!done) Fail("GetFileTime", path);
  FileTimes times;
  times.access = FromFileTime(access);
  times.write = FromFileTime(write);
  if (KeepsBirthTimes()) times.birth = FromFileTime(creation);
  return times;
}

}  // namespace zuruza::testing
