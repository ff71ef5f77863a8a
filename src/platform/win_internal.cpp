#include "platform/win_internal.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>

namespace zuruza::internal {

namespace {

// Seconds from 1601-01-01 to 1970-01-01, in FILETIME's 100 ns steps.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;
constexpr std::int64_t kNanosPerTick = 100;

// Paths this long need the "\\?\" prefix with the plain wide calls.
constexpr std::size_t kPlainPathLimit = 240;

bool IsDriveAbsolute(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = static_cast<int>(utf8.size());
  const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), count);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), count, nullptr, nullptr);
  return utf8;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Wide(path);
  if (path.size() < kPlainPathLimit || !IsDriveAbsolute(path)) return wide;
  // The full-path call resolves "." and ".." and turns "/" to "\", which
  // the prefix would take literally.
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return wide;
  full.resize(written);
  return L"\\\\?\\" + full;
}

int ErrnoFromWin32(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_NO_MORE_FILES:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_BUSY:
    case ERROR_PIPE_BUSY:
      return EBUSY;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
      return ENODEV;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return ENOSYS;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoFromWin32(GetLastError()); }

UnixNanos UnixFromFileTime(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  // Every FILETIME fits: 2^63 ticks are 2^63 * 100 ns, beyond int64 only
  // after the year 2262, where the value saturates.
  const std::int64_t since_1970 = ticks - kEpochDifference;
  if (since_1970 > LLONG_MAX / kNanosPerTick) return LLONG_MAX;
  if (since_1970 < LLONG_MIN / kNanosPerTick) return LLONG_MIN;
  return since_1970 * kNanosPerTick;
}

FILETIME FileTimeFromUnix(UnixNanos time) {
  // Floor to the 100 ns step, also before 1970.
  std::int64_t ticks = time / kNanosPerTick;
  if (time % kNanosPerTick < 0) --ticks;
  const std::uint64_t value = static_cast<std::uint64_t>(ticks + kEpochDifference);
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return result;
}

EntryKind KindFromAttributes(DWORD attributes, DWORD reparse_tag) {
  // Tag 0 is no real tag: Wine shows a Linux link to a directory so.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      (reparse_tag == IO_REPARSE_TAG_SYMLINK || reparse_tag == IO_REPARSE_TAG_MOUNT_POINT ||
       reparse_tag == 0))
    return EntryKind::kSymlink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::kDirectory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::kOther;
  return EntryKind::kFile;
}

int KindAt(const std::wstring& path, EntryKind& kind, DWORD& attributes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const int error = LastErrno();
    if (error == ENOENT) return error;
    // A device name ("NUL") has no attributes; its handle tells what it is.
    const HANDLE handle = CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return error;
    const bool device = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    if (!device) return error;
    kind = EntryKind::kOther;
    attributes = 0;
    return 0;
  }
  DWORD tag = 0;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return LastErrno();
    tag = found.dwReserved0;
    FindClose(search);
  }
  kind = KindFromAttributes(data.dwFileAttributes, tag);
  attributes = data.dwFileAttributes;
  return 0;
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

int DescriptorOf(HANDLE handle, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    errno = EMFILE;
  }
  return fd;
}

}  // namespace zuruza::internal
