#include <windows.h>

#include <cwchar>

#include "platform/time_resolution.h"
#include "platform/win_internal.h"

namespace zuruza {

namespace {

constexpr UnixNanos kFatStep = 2'000'000'000;
constexpr UnixNanos kExfatStep = 10'000'000;
// A FILETIME counts 100 ns steps: no Windows file system keeps finer times
// (NTFS, ReFS and network shares keep that step).
constexpr UnixNanos kFileTimeStep = 100;

}  // namespace

UnixNanos internal::FileSystemWriteTimeStep(const std::string& path) {
  // Asked through a handle of the path itself, which finds its volume
  // wherever it is mounted (a drive, a folder, a share).
  const HANDLE handle = CreateFileW(internal::WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 1;
  wchar_t file_system[MAX_PATH + 1] = {};
  const bool known = GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, nullptr,
                                                   file_system, MAX_PATH + 1);
  CloseHandle(handle);
  if (!known) return 1;
  // "FAT" is FAT12 and FAT16.
  if (std::wcscmp(file_system, L"FAT") == 0 || std::wcscmp(file_system, L"FAT32") == 0)
    return kFatStep;
  if (std::wcscmp(file_system, L"exFAT") == 0) return kExfatStep;
  return kFileTimeStep;
}

}  // namespace zuruza
