#include <cerrno>

#include "base/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/win_internal.h"

namespace zuruza {

using internal::KindFromAttributes;
using internal::LastErrno;
using internal::UnixFromFileTime;
using internal::WidePath;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsSep(char c) { return c == '\\' || c == '/'; }

bool EndsWithSep(const std::string& path) { return !path.empty() && IsSep(path.back()); }

bool IsDotOrDotDot(const std::string& name) { return name == "." || name == ".."; }

void FillEntry(DWORD attributes, DWORD tag, std::uint64_t size, const FILETIME& created,
               const FILETIME& accessed, const FILETIME& written, DirEntry& entry) {
  entry.kind = KindFromAttributes(attributes, tag);
  entry.size = entry.kind == EntryKind::kDirectory ? 0 : size;
  entry.write_time = UnixFromFileTime(written);
  entry.access_time = UnixFromFileTime(accessed);
  // FAT volumes that keep no creation time report zero.
  entry.creation_time = created.dwLowDateTime == 0 && created.dwHighDateTime == 0
                            ? entry.write_time
                            : UnixFromFileTime(created);
  entry.detailed = true;
}

// Opens whatever stands at `path` only to read its attributes: a directory
// too, and a link itself unless `follow`.
HANDLE OpenForAttributes(const std::string& path, bool follow) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

// The reparse tag of a reparse point; 0 when it cannot be read.
DWORD ReparseTagOf(const std::string& path) {
  const HANDLE handle = OpenForAttributes(path, false);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  FILE_ATTRIBUTE_TAG_INFO info{};
  const bool ok = GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info);
  CloseHandle(handle);
  return ok ? info.ReparseTag : 0;
}

// What a link leads to, read through a handle; 0 or the errno.
int StatFollowed(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  const HANDLE handle = OpenForAttributes(path, true);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  const int error = GetFileInformationByHandle(handle, &info) ? 0 : LastErrno();
  CloseHandle(handle);
  return error;
}

// The attributes of `path`, of what a link leads to when `follow`; 0 or the
// errno. A name with a trailing separator must be a directory, as on POSIX.
int AttributesOf(const std::string& path, bool follow, DWORD& attributes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty()) return ENOENT;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
    return LastErrno();
  attributes = data.dwFileAttributes;
  if (follow && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    BY_HANDLE_FILE_INFORMATION info;
    if (const int error = StatFollowed(path, info); error != 0) return error;
    attributes = info.dwFileAttributes;
  }
  if (EndsWithSep(path) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
  return 0;
}

// The entry of one path without following a final link; 0 or the errno
// (the entry is then unchanged). The attribute query needs no handle; only
// a reparse point is opened, for its tag.
int StatNoFollow(const std::string& path, DirEntry& entry) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty()) return ENOENT;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
    return LastErrno();
  if (EndsWithSep(path) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
  const DWORD tag =
      (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ReparseTagOf(path) : 0;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  FillEntry(data.dwFileAttributes, tag, size, data.ftCreationTime, data.ftLastAccessTime,
            data.ftLastWriteTime, entry);
  return 0;
}

// The directory a dot entry stands for, entered through a link if it is one.
int StatDirectory(const std::string& path, DirEntry& entry) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
    return LastErrno();
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    BY_HANDLE_FILE_INFORMATION info;
    if (const int error = StatFollowed(path, info); error != 0) return error;
    FillEntry(info.dwFileAttributes, 0, 0, info.ftCreationTime, info.ftLastAccessTime,
              info.ftLastWriteTime, entry);
  } else {
    FillEntry(data.dwFileAttributes, 0, 0, data.ftCreationTime, data.ftLastAccessTime,
              data.ftLastWriteTime, entry);
  }
  return 0;
}

}  // namespace

std::optional<DirEntry> StatPath(const std::string& path) {
  DirEntry entry;
  if (StatNoFollow(path, entry) != 0) return std::nullopt;
  // The name is the last component; trailing separators do not count.
  std::size_t end = path.size();
  while (end > 0 && IsSep(path[end - 1])) --end;
  const bool drive = end == 2 && path[1] == ':';
  if (end == 0 || (drive && end < path.size())) {
    // A root: "\" of the current drive, or "C:\". It is never a link, though
    // Wine marks a drive that is a link to a Unix folder (Z:) as one.
    entry.name = path.substr(0, end) + kPathSep;
    if (entry.kind == EntryKind::kSymlink) entry.kind = EntryKind::kDirectory;
  } else {
    const std::size_t sep = path.find_last_of("\\/", end - 1);
    std::size_t begin = sep == std::string::npos ? 0 : sep + 1;
    // "C:name" names an entry in the current directory of drive C.
    if (begin == 0 && end > 2 && path[1] == ':') begin = 2;
    entry.name = path.substr(begin, end - begin);
  }
  return entry;
}

int FillEntryDetails(const std::string& dir_path, DirEntry& entry) {
  std::string path = WithTrailingSep(dir_path);
  if (entry.name != ".") path += entry.name;
  if (!IsDotOrDotDot(entry.name)) return StatNoFollow(path, entry);
  if (StatDirectory(path, entry) != 0)
    entry.write_time = entry.access_time = entry.creation_time = 0;
  entry.kind = EntryKind::kDirectory;
  entry.size = 0;
  entry.detailed = true;
  return 0;
}

bool IsExistingFile(const std::string& path) {
  DWORD attributes = 0;
  return AttributesOf(path, true, attributes) == 0 &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsExistingDirectory(const std::string& path) {
  DWORD attributes = 0;
  return AttributesOf(path, true, attributes) == 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::string& path) {
  DWORD attributes = 0;
  return AttributesOf(path, false, attributes) == 0;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  // Identities follow links, so a link to a file is that file.
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool SetWriteTime(const std::string& path, UnixNanos write_time) {
  const FILETIME time = internal::FileTimeFromUnix(write_time);
  // Zero means "leave it" to the system, and the times before 1601 wrap
  // around to "stop updating it": neither sets a time.
  if (static_cast<LONG>(time.dwHighDateTime) < 0 ||
      (time.dwHighDateTime == 0 && time.dwLowDateTime == 0))
    return false;
  // The access time is read first and set again with the write time: Wine
  // marks a file accessed when asked for its type, as making a descriptor
  // does.
  WIN32_FILE_ATTRIBUTE_DATA before;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &before)) return false;
  int fd = -1;
  try {
    // Refuses directories, links, devices and read-only files.
    fd = OpenRegularFileForDating(path);
  } catch (const IoError&) {
    return false;
  }
  const bool ok =
      SetFileTime(internal::HandleOf(fd), nullptr, &before.ftLastAccessTime, &time) != 0;
  CloseFile(fd);
  return ok;
}

// An empty path stays empty: turning it into "\" would silently aim at the
// root directory. A bare drive "C:" becomes its root "C:\".
std::string WithTrailingSep(std::string_view path) {
  std::string result(path);
  if (!result.empty() && !IsSep(result.back())) result.push_back(kPathSep);
  return result;
}

// Empty when the working directory is gone or unreachable.
std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length < buffer.size()) {
      buffer.resize(length);
      return WithTrailingSep(internal::Utf8(buffer));
    }
    buffer.resize(length);  // the size needed, terminator included
  }
}

}  // namespace zuruza
