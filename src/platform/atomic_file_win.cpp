#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/temporary_names.h"
#include "platform/win_internal.h"

namespace zuruza {

namespace {

constexpr UnixNanos kNanosPerSecond = 1'000'000'000;

// Attributes a rewritten file keeps from the one it replaces. Read-only is
// not among them: such a file is never replaced (see Commit).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// True when no process `pid` runs any more. One that cannot be asked about
// (another user's) counts as running.
bool ProcessIsGone(DWORD pid) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such id
  // An ended process whose handle someone still holds.
  DWORD code = 0;
  const bool gone = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return gone;
}

// The process id of another process's temporary; none for any other name.
std::optional<DWORD> PidOfTemporary(std::string_view name) {
  const std::optional<long long> pid = internal::TemporaryOwner(name);
  if (!pid || *pid <= 0 || *pid > 0xFFFFFFFFLL || *pid == GetCurrentProcessId())
    return std::nullopt;
  return static_cast<DWORD>(*pid);
}

UnixNanos Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return internal::UnixFromFileTime(now);
}

void ClearLeftoversOnce(const std::string& directory) {
  if (internal::FirstClearOf(directory)) ClearLeftoverTemporaries(directory);
}

// An open file's attributes changed: `set` added and `cleared` taken away.
bool ChangeAttributes(HANDLE handle, DWORD set, DWORD cleared) {
  FILE_BASIC_INFO info;
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return false;
  DWORD attributes = (info.FileAttributes & ~cleared) | set;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  // Zero times leave the file's times as they are.
  FILE_BASIC_INFO changed{};
  changed.FileAttributes = attributes;
  return SetFileInformationByHandle(handle, FileBasicInfo, &changed, sizeof changed) != 0;
}

// Removes a file even when it is read-only (a temporary given a read-only
// mode); false when it stays.
bool RemoveFileAt(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  if (GetLastError() != ERROR_ACCESS_DENIED) return false;
  return SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileW(path.c_str());
}

}  // namespace

void ClearLeftoverTemporaries(const std::string& directory) {
  const std::string dir = directory.empty() ? "." : directory;
  std::vector<DirEntry> entries;
  if (!ListDirectory(dir, entries, nullptr, EntryDetail::kKinds)) return;
  const UnixNanos now = Now();
  for (DirEntry& entry : entries) {
    // A file or a link (a copied link's temporary), never a directory.
    if (entry.kind != EntryKind::kFile && entry.kind != EntryKind::kSymlink) continue;
    const std::optional<DWORD> pid = PidOfTemporary(entry.name);
    if (!pid) continue;
    if (!entry.detailed && FillEntryDetails(dir, entry) != 0) continue;
    // Untouched for a while. Whose it is goes unasked: on Windows the
    // folder's access rules decide who may remove it.
    if (now - entry.write_time < internal::kLeftoverAgeSeconds * kNanosPerSecond) continue;
    if (!ProcessIsGone(*pid)) continue;
    const std::wstring path = internal::WidePath(WithTrailingSep(dir) + entry.name);
    // A link to a directory goes as a directory does.
    if (entry.kind == EntryKind::kFile) {
      RemoveFileAt(path);
    } else if (!DeleteFileW(path.c_str())) {
      RemoveDirectoryW(path.c_str());
    }
  }
}

std::string TemporaryNameFor(const std::string& destination, int attempt) {
  const std::string dir = FolderOf(destination);
  const std::string_view name = std::string_view(destination).substr(dir.size());
  // Names are UTF-16 on the disk: the cut never splits a character.
  std::size_t kept = std::min(internal::kTemporaryNameKept, name.size());
  while (kept > 0 && kept < name.size() && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
    --kept;
  return dir + ".~" + std::string(name.substr(0, kept)) + "." +
         std::to_string(GetCurrentProcessId()) + "." + std::to_string(attempt) +
         std::string(internal::kTemporarySuffix);
}

AtomicFile::AtomicFile(const std::string& destination, std::uint32_t create_mode)
    : destination_(destination) {
  ClearLeftoversOnce(FolderOf(destination));
  for (int attempt = 1; fd_ < 0; ++attempt) {
    temporary_ = TemporaryNameFor(destination, attempt);
    const std::wstring path = internal::WidePath(temporary_);
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // A name in use (a file being deleted answers "access denied") is
      // passed by; a folder that refuses the file is not.
      bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
      if (error == ERROR_ACCESS_DENIED &&
          GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD why = GetLastError();
        taken = why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND;
      }
      if (!taken || attempt == 1000) ThrowIoErrorFromErrno(internal::ErrnoFromWin32(error));
      continue;
    }
    fd_ = internal::DescriptorOf(handle, _O_WRONLY);
    if (fd_ < 0) {
      DeleteFileW(path.c_str());
      ThrowIoErrorFromErrno(EMFILE);
    }
  }
  // The only permission a Windows file carries itself: no owner write bit
  // makes it read-only. Writing through this descriptor goes on regardless.
  if ((create_mode & 0200) == 0 &&
      !ChangeAttributes(internal::HandleOf(fd_), FILE_ATTRIBUTE_READONLY, 0)) {
    const int error = internal::LastErrno();
    CloseFile(std::exchange(fd_, -1));
    RemoveFileAt(internal::WidePath(temporary_));
    ThrowIoErrorFromErrno(error);
  }
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) CloseFile(fd_);
  if (!committed_) RemoveFileAt(internal::WidePath(temporary_));
}

void AtomicFile::Write(const char* data, std::size_t size) {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  if (const int error = WriteAllTo(fd_, data, size); error != 0) ThrowIoErrorFromErrno(error);
}

void AtomicFile::SetPermissions(std::uint32_t mode) {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  const bool read_only = (mode & 0200) == 0;
  if (!ChangeAttributes(internal::HandleOf(fd_), read_only ? FILE_ATTRIBUTE_READONLY : 0,
                        read_only ? 0 : FILE_ATTRIBUTE_READONLY)) {
    ThrowIoErrorFromErrno(internal::LastErrno());
  }
  own_permissions_ = true;
}

void AtomicFile::Commit() {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  const HANDLE handle = internal::HandleOf(fd_);
  const std::wstring destination = internal::WidePath(destination_);
  EntryKind kind = EntryKind::kOther;
  DWORD attributes = 0;
  const bool replacing = internal::KindAt(destination, kind, attributes) == 0;
  // Only a file or a link is replaced: never a device or directory (a
  // backup, which mirrors its source, may replace all but a directory).
  if (replacing && kind != EntryKind::kFile && kind != EntryKind::kSymlink &&
      (!replace_any_ || kind == EntryKind::kDirectory)) {
    ThrowIoErrorFromErrno(EACCES);
  }
  const bool replacing_file = replacing && kind == EntryKind::kFile;
  // A read-only file may not be replaced: Windows refuses the rename over
  // it, and so does this, where the file system would let it go (Wine).
  if (replacing_file && (attributes & FILE_ATTRIBUTE_READONLY) != 0) ThrowIoErrorFromErrno(EACCES);
  // The earlier file's hidden and system marks go on; its access rules are
  // the folder's, which the new file inherited when created.
  if (replacing_file && !own_permissions_)
    ChangeAttributes(handle, attributes & kKeptAttributes, kKeptAttributes);
  if ((replacing || sync_always_) && !FlushFileBuffers(handle))
    ThrowIoErrorFromErrno(internal::LastErrno());
  // Closed before the rename: Windows renames an open file only through a
  // handle opened for deletion.
  if (const int error = CloseFile(std::exchange(fd_, -1)); error != 0) ThrowIoErrorFromErrno(error);
  const std::wstring temporary = internal::WidePath(temporary_);
  constexpr DWORD kMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (!MoveFileExW(temporary.c_str(), destination.c_str(), kMove)) {
    DWORD error = GetLastError();
    // A link to a directory is a directory to the rename, which never
    // replaces one: the link goes first, then the file takes its name.
    if (error == ERROR_ACCESS_DENIED && replacing && kind == EntryKind::kSymlink &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      const bool moved = RemoveDirectoryW(destination.c_str()) &&
                         MoveFileExW(temporary.c_str(), destination.c_str(), kMove);
      error = moved ? ERROR_SUCCESS : GetLastError();
    }
    if (error != ERROR_SUCCESS) ThrowIoErrorFromErrno(internal::ErrnoFromWin32(error));
  }
  committed_ = true;
}

}  // namespace zuruza
