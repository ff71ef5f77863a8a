#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/copy.h"
#include "platform/file.h"
#include "platform/win_internal.h"

namespace zuruza {

namespace {

std::function<int(const std::string&)>& CopyFault() {
  static std::function<int(const std::string&)> fault;
  return fault;
}

constexpr int kCopyAttempts = 3;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Marks a copy takes from its source besides read-only, which goes as a
// permission.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The reparse data of a link, as the file system keeps it.
struct LinkData {
  ULONG tag;
  USHORT data_length;
  USHORT reserved;
  USHORT substitute_offset;
  USHORT substitute_length;
  USHORT print_offset;
  USHORT print_length;
};
constexpr std::size_t kReparseHeader = 8;  // tag, data length, reserved
constexpr ULONG kRelativeLink = 1;         // SYMLINK_FLAG_RELATIVE

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
         a.ftLastWriteTime.dwHighDateTime == b.ftLastWriteTime.dwHighDateTime &&
         a.ftLastWriteTime.dwLowDateTime == b.ftLastWriteTime.dwLowDateTime &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber;
}

std::uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Copies the bytes of `in` to `out`; 0 or the errno of the failure. `done`
// is what was copied: less than `size` when the source shrank.
int CopyBytes(HANDLE in, int out, std::uint64_t size, const std::string& destination,
              std::uint64_t& done) {
  done = 0;
  std::vector<char> buffer(1 << 20);
  while (done < size) {
    if (CopyFault() && done > 0) {
      if (int fault = CopyFault()(destination)) return fault;
    }
    const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size - done, buffer.size()));
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), chunk, &got, nullptr)) return internal::LastErrno();
    if (got == 0) break;  // the source shrank: the caller sees it changed
    if (const int error = WriteAllTo(out, buffer.data(), got)) return error;
    done += got;
    if (CopyFault() && done < size) {
      if (int fault = CopyFault()(destination)) return fault;
    }
  }
  // The file may have grown meanwhile: the caller compares before and after.
  if (CopyFault()) {
    if (int fault = CopyFault()(destination)) return fault;
  }
  return 0;
}

// The text of a symbolic link as it was made: the name shown for an
// absolute one, the stored one (relative) otherwise.
std::wstring LinkTarget(const LinkData& link, const wchar_t* names, ULONG flags) {
  std::wstring print(names + link.print_offset / 2, link.print_length / 2);
  std::wstring substitute(names + link.substitute_offset / 2, link.substitute_length / 2);
  if ((flags & kRelativeLink) != 0) return substitute;
  if (!print.empty()) return print;
  // "\??\C:\x" is "C:\x"; "\??\UNC\server\share" is "\\server\share".
  if (substitute.starts_with(L"\\??\\UNC\\")) return L"\\\\" + substitute.substr(8);
  if (substitute.starts_with(L"\\??\\")) return substitute.substr(4);
  return substitute;
}

// Makes the link at `temp` from the source link's reparse data: a symbolic
// link again (which needs the right to create links: developer mode or an
// administrator), or a junction, which anyone may make on an empty folder.
// False with the Win32 error when `temp` could not be made.
bool MakeLink(const std::wstring& temp, std::vector<char>& data, bool directory, DWORD& error) {
  LinkData link;
  std::memcpy(&link, data.data(), sizeof link);
  if (link.tag == IO_REPARSE_TAG_SYMLINK) {
    ULONG flags = 0;
    std::memcpy(&flags, data.data() + sizeof link, sizeof flags);
    const auto* names = reinterpret_cast<const wchar_t*>(data.data() + sizeof link + sizeof flags);
    const std::wstring target = LinkTarget(link, names, flags);
    const DWORD kind = directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    if (CreateSymbolicLinkW(temp.c_str(), target.c_str(),
                            kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
      return true;
    error = GetLastError();
    // Systems before developer mode know no such flag.
    if (error == ERROR_INVALID_PARAMETER && CreateSymbolicLinkW(temp.c_str(), target.c_str(), kind))
      return true;
    error = GetLastError();
    return false;
  }
  if (!CreateDirectoryW(temp.c_str(), nullptr)) {
    error = GetLastError();
    return false;
  }
  const Handle folder(CreateFileW(temp.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  DWORD unused = 0;
  if (folder.ok() && DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, data.data(),
                                     static_cast<DWORD>(kReparseHeader + link.data_length), nullptr,
                                     0, &unused, nullptr)) {
    return true;
  }
  error = GetLastError();
  RemoveDirectoryW(temp.c_str());
  return false;
}

// Removes a link made by MakeLink.
void RemoveLink(const std::wstring& path, bool directory) {
  if (directory) {
    RemoveDirectoryW(path.c_str());
  } else {
    DeleteFileW(path.c_str());
  }
}

CopyOutcome CopyLink(const std::string& source, const std::string& destination, DWORD attributes) {
  const Handle link(CreateFileW(
      internal::WidePath(source).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!link.ok()) {
    const int error = internal::LastErrno();
    if (error == ENOENT) return CopyOutcome::kSourceGone;
    ThrowIoErrorFromErrno(error);
  }
  std::vector<char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD length = 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (!DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                       static_cast<DWORD>(data.size()), &length, nullptr) ||
      !GetFileInformationByHandle(link.get(), &info)) {
    const DWORD error = GetLastError();
    // Swapped for something else since it was looked at.
    if (error == ERROR_NOT_A_REPARSE_POINT) return CopyOutcome::kSourceGone;
    ThrowIoErrorFromErrno(internal::ErrnoFromWin32(error));
  }
  LinkData header;
  if (length < sizeof header + sizeof(ULONG)) ThrowIoErrorFromErrno(EIO);
  std::memcpy(&header, data.data(), sizeof header);
  if (header.tag != IO_REPARSE_TAG_SYMLINK && header.tag != IO_REPARSE_TAG_MOUNT_POINT)
    return CopyOutcome::kSourceGone;
  // The names of a symbolic link are read by their offsets: they must lie
  // within what was read.
  const std::size_t names_end = sizeof header + sizeof(ULONG) +
                                std::max(header.substitute_offset + header.substitute_length,
                                         header.print_offset + header.print_length);
  if (header.tag == IO_REPARSE_TAG_SYMLINK && names_end > length) ThrowIoErrorFromErrno(EIO);
  // A link to a folder is one itself: Windows tells the two kinds apart.
  const bool directory =
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || header.tag == IO_REPARSE_TAG_MOUNT_POINT;
  // The link is made under the temporary name of an atomic output, then
  // renamed into place like one.
  std::wstring temp;
  for (int attempt = 1;; ++attempt) {
    temp = internal::WidePath(TemporaryNameFor(destination, attempt));
    DWORD error = ERROR_SUCCESS;
    if (MakeLink(temp, data, directory, error)) break;
    const bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    if (!taken || attempt == 1000) ThrowIoErrorFromErrno(internal::ErrnoFromWin32(error));
  }
  {
    const Handle made(
        CreateFileW(temp.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (made.ok()) SetFileTime(made.get(), nullptr, &info.ftLastAccessTime, &info.ftLastWriteTime);
  }
  const std::wstring target = internal::WidePath(destination);
  constexpr DWORD kMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (!MoveFileExW(temp.c_str(), target.c_str(), kMove)) {
    DWORD error = GetLastError();
    // The rename replaces nothing with a folder link, nor a link to a folder
    // with anything: an earlier link or file there goes first. A real
    // folder stays, and so does the copy's failure.
    EntryKind kind = EntryKind::kOther;
    DWORD existing = 0;
    if (error == ERROR_ACCESS_DENIED && internal::KindAt(target, kind, existing) == 0 &&
        (kind == EntryKind::kSymlink || kind == EntryKind::kFile) &&
        (directory || (existing & FILE_ATTRIBUTE_DIRECTORY) != 0)) {
      const bool removed = (existing & FILE_ATTRIBUTE_DIRECTORY) != 0
                               ? RemoveDirectoryW(target.c_str())
                               : DeleteFileW(target.c_str());
      error = removed && MoveFileExW(temp.c_str(), target.c_str(), kMove) ? ERROR_SUCCESS
                                                                          : GetLastError();
    }
    if (error != ERROR_SUCCESS) {
      RemoveLink(temp, directory);
      ThrowIoErrorFromErrno(internal::ErrnoFromWin32(error));
    }
  }
  return CopyOutcome::kCopied;
}

}  // namespace

void SetCopyFaultForTesting(std::function<int(const std::string&)> fault) {
  CopyFault() = std::move(fault);
}

bool CreateOneDirectory(const std::string& path, int* error) {
  if (CreateDirectoryW(internal::WidePath(path).c_str(), nullptr)) {
    NoteNewFolder(path);
    return true;
  }
  if (error != nullptr) *error = internal::LastErrno();
  return false;
}

CopyOutcome CopyFilePreservingTime(const std::string& source, const std::string& destination) {
  const std::wstring wide = internal::WidePath(source);
  EntryKind kind = EntryKind::kOther;
  DWORD attributes = 0;
  if (const int error = internal::KindAt(wide, kind, attributes); error != 0) {
    if (error == ENOENT) return CopyOutcome::kSourceGone;
    ThrowIoErrorFromErrno(error);
  }
  if (kind == EntryKind::kSymlink) return CopyLink(source, destination, attributes);
  if (kind != EntryKind::kFile) return CopyOutcome::kSourceGone;  // devices are never opened
  // A link is never followed; a reparse point of another kind (a cloud or
  // deduplicated file) is read through its filter.
  const DWORD not_followed =
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;

  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    const Handle in(CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN | not_followed, nullptr));
    if (!in.ok()) {
      const int error = internal::LastErrno();
      if (error == ENOENT) return CopyOutcome::kSourceGone;
      ThrowIoErrorFromErrno(error);
    }
    BY_HANDLE_FILE_INFORMATION before;
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (GetFileType(in.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(in.get(), &before) ||
        !GetFileInformationByHandleEx(in.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        internal::KindFromAttributes(tag.FileAttributes, tag.ReparseTag) != EntryKind::kFile) {
      return CopyOutcome::kSourceGone;  // something else put in the file's place
    }
    AtomicFile output(destination);
    output.ReplaceAnyNonDirectory();  // the destination mirrors the source
    const HANDLE out = internal::HandleOf(output.fd());
    std::uint64_t copied = 0;
    if (const int failure = CopyBytes(in.get(), output.fd(), SizeOf(before), destination, copied)) {
      ThrowIoErrorFromErrno(failure);
    }
    if (!SetFileTime(out, nullptr, &before.ftLastAccessTime, &before.ftLastWriteTime))
      ThrowIoErrorFromErrno(internal::LastErrno());
    // Hidden and system go with the copy (new, so marked for archiving);
    // read-only is its permission.
    if (const DWORD marks = before.dwFileAttributes & kCopiedAttributes; marks != 0) {
      FILE_BASIC_INFO info{};  // zero times: kept
      info.FileAttributes = FILE_ATTRIBUTE_ARCHIVE | marks;
      if (!SetFileInformationByHandle(out, FileBasicInfo, &info, sizeof info))
        ThrowIoErrorFromErrno(internal::LastErrno());
    }
    output.SetPermissions((before.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666);
    BY_HANDLE_FILE_INFORMATION after;
    const bool changed = !GetFileInformationByHandle(in.get(), &after) ||
                         !SameFile(before, after) || copied != SizeOf(before);
    if (changed) continue;  // written to while it was copied: once more
    output.Commit();
    return CopyOutcome::kCopied;
  }
  ThrowIoErrorFromErrno(EBUSY);  // the source keeps changing
}

}  // namespace zuruza
