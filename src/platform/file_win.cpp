#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "base/errors.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/win_internal.h"

namespace zuruza {

using internal::DescriptorOf;
using internal::ErrnoFromWin32;
using internal::HandleOf;
using internal::LastErrno;
using internal::UnixFromFileTime;
using internal::WidePath;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile count in DWORDs; larger transfers go in pieces.
constexpr std::size_t kMaxTransfer = 1u << 30;

[[noreturn]] void ThrowLastError() { ThrowIoErrorFromErrno(LastErrno()); }

// Why `path` did not open, from the last error. A file standing where a
// folder of the path should be fails as a missing path here; POSIX tells
// ENOTDIR, and so does this.
[[noreturn]] void ThrowOpenError(const std::string& path) {
  const DWORD error = GetLastError();
  if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) {
    std::string folder = path;
    for (std::size_t sep; (sep = folder.find_last_of("\\/")) != std::string::npos && sep > 0;) {
      folder.resize(sep);
      const DWORD attributes = GetFileAttributesW(WidePath(folder).c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) continue;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ThrowIoErrorFromErrno(ENOTDIR);
      break;
    }
  }
  ThrowIoErrorFromErrno(ErrnoFromWin32(error));
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The final name without the colon a device may be written with ("CON:").
std::string_view DeviceNameOf(const std::string& path) {
  std::string_view name = FileNameOf(path);
  if (!name.empty() && name.back() == ':') name.remove_suffix(1);
  return name;
}

// The null device, Windows' /dev/null, under whatever folder it is named.
bool IsNullDevice(const std::string& path) { return EqualsAsciiNoCase(DeviceNameOf(path), "NUL"); }

// A name the system takes for a device in any folder, or a path in the
// device namespace: opening one may act on it (a serial port), so these are
// refused before any open.
bool IsDeviceName(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  const std::string_view name = DeviceNameOf(path);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (EqualsAsciiNoCase(name, device)) return true;
  return name.size() == 4 &&
         (EqualsAsciiNoCase(name.substr(0, 3), "COM") ||
          EqualsAsciiNoCase(name.substr(0, 3), "LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

HANDLE OpenHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
  return CreateFileW(WidePath(path).c_str(), access, kShareAll, nullptr, disposition, flags,
                     nullptr);
}

// Closes `handle` and throws for `error`.
[[noreturn]] void Refuse(HANDLE handle, int error) {
  CloseHandle(handle);
  ThrowIoErrorFromErrno(error);
}

bool IsLinkTag(DWORD tag) {
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

// 0 when the open handle is a regular file on a disk, else the errno. The
// system refuses to write a read-only file, but not every server (nor Wine
// run by root) does: checked here before anything is emptied.
int RefusedHandle(HANDLE handle, bool writing) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return EACCES;
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info))
    return LastErrno();
  if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
  if (writing && (info.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
  return 0;
}

FileIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

OpenedFileStatus StatusFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  return {IdentityFrom(info),
          (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
          UnixFromFileTime(info.ftLastWriteTime)};
}

BY_HANDLE_FILE_INFORMATION InformationOf(int fd) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(HandleOf(fd), &info)) ThrowLastError();
  return info;
}

// Where an open handle stands now, so that a positioned read can put it back.
class PositionKeeper {
 public:
  explicit PositionKeeper(HANDLE handle) : handle_(handle) {
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(handle_, zero, &position_, FILE_CURRENT)) ThrowLastError();
  }
  ~PositionKeeper() { SetFilePointerEx(handle_, position_, nullptr, FILE_BEGIN); }
  PositionKeeper(const PositionKeeper&) = delete;
  PositionKeeper& operator=(const PositionKeeper&) = delete;

 private:
  HANDLE handle_;
  LARGE_INTEGER position_{};
};

// A 64-bit mix of the clock, the process and a counter, for scratch names:
// CREATE_NEW keeps them unique, so this only needs to make clashes rare,
// without a cryptographic library to link.
std::uint64_t NextScratchNumber() {
  static std::atomic<std::uint64_t> counter{0};
  LARGE_INTEGER ticks;
  QueryPerformanceCounter(&ticks);
  std::uint64_t x = static_cast<std::uint64_t>(ticks.QuadPart) ^
                    (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40) ^
                    (++counter * 0x9E3779B97F4A7C15ull);
  // splitmix64's finalizer.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

int OpenDataFile(const std::string& path, DataOpen how) {
  const bool writing = how != DataOpen::kRead;
  if (IsNullDevice(path)) {
    // Written to as a report nobody keeps; read, it is a device like any other.
    if (!writing) ThrowIoErrorFromErrno(EACCES);
    const HANDLE handle = CreateFileW(L"NUL", GENERIC_WRITE | FILE_READ_ATTRIBUTES, kShareAll,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) ThrowLastError();
    const int fd = DescriptorOf(handle, _O_WRONLY);
    if (fd < 0) ThrowIoErrorFromErrno(errno);
    return fd;
  }
  if (IsDeviceName(path)) ThrowIoErrorFromErrno(EACCES);
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  int flags = _O_RDONLY;
  switch (how) {
    case DataOpen::kRead:
      break;
    case DataOpen::kCreateReplace:
      // Emptied below once known to be a file: CREATE_ALWAYS would refuse
      // a hidden file and reset the attributes.
      access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
      disposition = OPEN_ALWAYS;
      flags = _O_WRONLY;
      break;
    case DataOpen::kCreateAppend:
      // Append access without write access: every write lands at the end,
      // as with O_APPEND.
      access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
      disposition = OPEN_ALWAYS;
      flags = _O_WRONLY | _O_APPEND;
      break;
    case DataOpen::kReplaceExisting:
      access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
      flags = _O_WRONLY;
      break;
  }
  // A directory does not open without backup semantics: "File access denied".
  const HANDLE handle = OpenHandle(path, access, disposition, FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) ThrowOpenError(path);
  if (const int error = RefusedHandle(handle, writing); error != 0) Refuse(handle, error);
  if (how == DataOpen::kCreateReplace || how == DataOpen::kReplaceExisting) {
    if (!SetEndOfFile(handle)) Refuse(handle, LastErrno());
  } else if (how == DataOpen::kCreateAppend) {
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(handle, zero, nullptr, FILE_END)) Refuse(handle, LastErrno());
  }
  const int fd = DescriptorOf(handle, flags);
  if (fd < 0) ThrowIoErrorFromErrno(errno);
  return fd;
}

bool CheckOutputType(const std::string& path) {
  if (IsNullDevice(path)) return true;
  if (IsDeviceName(path)) ThrowIoErrorFromErrno(EACCES);
  if (IsExistingDirectory(path)) ThrowIoErrorFromErrno(EISDIR);
  return false;
}

std::size_t ReadSome(int fd, char* into, std::size_t size) {
  DWORD got = 0;
  const auto wanted = static_cast<DWORD>(size < kMaxTransfer ? size : kMaxTransfer);
  if (!ReadFile(HandleOf(fd), into, wanted, &got, nullptr)) {
    const DWORD error = GetLastError();
    // The end of a pipe's data, not a failure.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    ThrowIoErrorFromErrno(ErrnoFromWin32(error));
  }
  return got;
}

void ReadExactlyAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  const HANDLE handle = HandleOf(fd);
  // A read at an offset moves a synchronous handle's position; the callers
  // go on reading where they were, as after pread.
  const PositionKeeper keeper(handle);
  std::size_t done = 0;
  while (done < size) {
    const std::uint64_t at = offset + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const std::size_t left = size - done;
    const auto wanted = static_cast<DWORD>(left < kMaxTransfer ? left : kMaxTransfer);
    DWORD got = 0;
    if (!ReadFile(handle, into + done, wanted, &got, &where)) {
      const DWORD error = GetLastError();
      if (error != ERROR_HANDLE_EOF) ThrowIoErrorFromErrno(ErrnoFromWin32(error));
      got = 0;
    }
    if (got == 0) throw IoError(kReadBeyondEnd);  // the file shrank meanwhile
    done += got;
  }
}

int WriteAllTo(int fd, const char* data, std::size_t size) {
  const HANDLE handle = HandleOf(fd);
  while (size > 0) {
    DWORD written = 0;
    const auto wanted = static_cast<DWORD>(size < kMaxTransfer ? size : kMaxTransfer);
    if (!WriteFile(handle, data, wanted, &written, nullptr)) return LastErrno();
    // A device that takes nothing without an error would loop forever.
    if (written == 0) return ENOSPC;
    data += written;
    size -= written;
  }
  return 0;
}

std::string ReadWholeFile(const std::string& path) {
  const OwnedFile file(OpenDataFile(path, DataOpen::kRead));
  std::string bytes;
  char buffer[64 * 1024];
  while (const std::size_t got = ReadSome(file.get(), buffer, sizeof buffer))
    bytes.append(buffer, got);
  return bytes;
}

std::size_t ReadFully(int fd, char* into, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const std::size_t n = ReadSome(fd, into + got, size - got);
    if (n == 0) break;
    got += n;
  }
  return got;
}

void OwnedFile::Close() {
  if (const int error = CloseFile(std::exchange(fd_, -1)); error != 0) ThrowIoErrorFromErrno(error);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // Links followed: without the reparse flag the handle is the target's.
  const HANDLE handle =
      OpenHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  return IdentityFrom(info);
}

FileIdentity IdentityOf(int fd) { return IdentityFrom(InformationOf(fd)); }

std::string ResolvedLink(const std::string& path) {
  const std::optional<DirEntry> entry = StatPath(path);
  if (!entry || entry->kind != EntryKind::kSymlink || !IdentityOf(path)) return path;
  return ResolvePath(path);
}

bool WritableOrMissing(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
    return LastErrno() == ENOENT;
  DWORD attributes = data.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    const HANDLE handle =
        OpenHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return LastErrno() == ENOENT;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!ok) return false;
    attributes = info.dwFileAttributes;
  }
  // The read-only attribute of a directory does not keep anyone from
  // writing in it; Explorer uses it for folder views.
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
         (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::string CreateScratchFile(const std::string& prefix) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // Names differing only in case are one name here: a clash is retried.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t number = NextScratchNumber();
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) {
      name.push_back(kLetters[number % (sizeof kLetters - 1)]);
      number /= sizeof kLetters - 1;
    }
    const HANDLE handle = OpenHandle(name, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return name;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
      ThrowIoErrorFromErrno(ErrnoFromWin32(error));
  }
  ThrowIoErrorFromErrno(EEXIST);
}

bool RemoveFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // A link to a directory is removed as a directory, the link alone;
    // a directory itself is no file to remove.
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           RemoveDirectoryW(WidePath(path).c_str()) != 0;
  }
  // A read-only file stays, as a file in a read-only folder does on POSIX.
  return DeleteFileW(WidePath(path).c_str()) != 0;
}

int CloseFile(int fd) {
  if (fd < 0) return 0;
  return _close(fd) != 0 ? errno : 0;
}

void RewindFile(int fd) {
  const LARGE_INTEGER zero{};
  if (!SetFilePointerEx(HandleOf(fd), zero, nullptr, FILE_BEGIN)) ThrowLastError();
}

int OpenRegularFileToRead(const std::string& path, OpenedFileStatus& status) {
  if (IsDeviceName(path)) ThrowIoErrorFromErrno(EACCES);
  // The link itself is opened, never its target; a directory does not open.
  HANDLE handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) ThrowOpenError(path);
  if (GetFileType(handle) != FILE_TYPE_DISK) Refuse(handle, EACCES);
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) Refuse(handle, LastErrno());
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) Refuse(handle, EACCES);
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
      Refuse(handle, LastErrno());
    if (IsLinkTag(tag.ReparseTag)) Refuse(handle, EACCES);
    // Another reparse point (a deduplicated or cloud file) holds its data
    // behind the point: opened again through it, as long as it is the same file.
    CloseHandle(handle);
    handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) ThrowOpenError(path);
    BY_HANDLE_FILE_INFORMATION again;
    if (!GetFileInformationByHandle(handle, &again)) Refuse(handle, LastErrno());
    if (IdentityFrom(again) != IdentityFrom(info) || GetFileType(handle) != FILE_TYPE_DISK)
      Refuse(handle, EACCES);
    info = again;
  }
  const int fd = DescriptorOf(handle, _O_RDONLY);
  if (fd < 0) ThrowIoErrorFromErrno(errno);
  status = StatusFrom(info);
  return fd;
}

OpenedFileStatus StatusOfOpenFile(int fd) { return StatusFrom(InformationOf(fd)); }

std::uint64_t OpenFileSize(int fd) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(HandleOf(fd), &size)) ThrowLastError();
  return static_cast<std::uint64_t>(size.QuadPart);
}

UnixNanos OpenFileWriteTime(int fd) {
  FILETIME written;
  if (!GetFileTime(HandleOf(fd), nullptr, nullptr, &written)) ThrowLastError();
  return UnixFromFileTime(written);
}

int OpenRegularFileForDating(const std::string& path) {
  if (IsDeviceName(path)) throw IoError(kFileAccessDenied);
  // Only the attributes are opened: a date changes without the data's
  // access, so a file others hold open unshared still takes one. The
  // read-only attribute is what refuses it, as a file without write
  // permission on POSIX.
  const HANDLE handle = OpenHandle(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) ThrowOpenError(path);
  FILE_ATTRIBUTE_TAG_INFO info{};
  const bool regular =
      GetFileType(handle) == FILE_TYPE_DISK &&
      GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info) &&
      (info.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0 &&
      !((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkTag(info.ReparseTag));
  if (!regular) {
    CloseHandle(handle);
    throw IoError(kFileAccessDenied);  // only regular files carry a date to change
  }
  const int fd = DescriptorOf(handle, _O_RDWR);
  if (fd < 0) ThrowIoErrorFromErrno(errno);
  return fd;
}

void SetOpenFileWriteTime(int fd, UnixNanos time) {
  const FILETIME written = internal::FileTimeFromUnix(time / 1'000'000'000 * 1'000'000'000);
  // Zero would leave the time as it is, and times before 1601 do not exist.
  if (static_cast<LONG>(written.dwHighDateTime) < 0 ||
      (written.dwHighDateTime == 0 && written.dwLowDateTime == 0))
    ThrowIoErrorFromErrno(EINVAL);
  if (!SetFileTime(HandleOf(fd), nullptr, nullptr, &written)) ThrowLastError();
}

}  // namespace zuruza
