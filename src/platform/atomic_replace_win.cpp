#include <fcntl.h>

#include <cerrno>

#include "base/errors.h"
#include "platform/atomic_replace.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/win_internal.h"

namespace zuruza {

namespace {

std::function<int(const std::string&, std::uint64_t)>& ReplacementFault() {
  static std::function<int(const std::string&, std::uint64_t)> fault;
  return fault;
}

// True for an open regular file: no directory, link or device.
bool IsOpenRegularFile(HANDLE handle) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return false;
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) return false;
  return internal::KindFromAttributes(info.FileAttributes, info.ReparseTag) == EntryKind::kFile;
}

}  // namespace

void SetReplacementFaultForTesting(std::function<int(const std::string&, std::uint64_t)> fault) {
  ReplacementFault() = std::move(fault);
}

AtomicReplacement::~AtomicReplacement() { Abandon(); }

void AtomicReplacement::OpenSource(const std::string& path) {
  Abandon();
  const std::wstring wide = internal::WidePath(path);
  // A cheap check first, so that devices are never opened for their data.
  EntryKind kind = EntryKind::kOther;
  DWORD attributes = 0;
  if (const int error = internal::KindAt(wide, kind, attributes); error != 0)
    ThrowIoErrorFromErrno(error);
  if (kind != EntryKind::kFile || (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    ThrowIoErrorFromErrno(EACCES);
  // Read and write access, although only reading happens: a file the person
  // may not write must not be replaced either. A link is never followed; a
  // reparse point of another kind (a cloud or deduplicated file) is read
  // through its filter.
  const DWORD not_followed =
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
  const HANDLE handle =
      CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_SEQUENTIAL_SCAN | not_followed, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ThrowIoErrorFromErrno(internal::LastErrno());
  // Checked again on the open file: the name may have been swapped meanwhile.
  if (!IsOpenRegularFile(handle)) {
    CloseHandle(handle);
    ThrowIoErrorFromErrno(EACCES);
  }
  const int fd = internal::DescriptorOf(handle, _O_RDWR);
  if (fd < 0) ThrowIoErrorFromErrno(EMFILE);
  source_fd_ = fd;
  path_ = path;
  // The owner and permissions stay with the file's folder; the attributes
  // the result keeps (hidden, system) are carried over by the companion's
  // Commit, which replaces this very file.
}

void AtomicReplacement::CreateCompanion() {
  if (source_fd_ < 0 || companion_) ThrowIoErrorFromErrno(EBADF);
  companion_ = std::make_unique<AtomicFile>(path_, 0600);
  written_ = queued_ = 0;
}

std::size_t AtomicReplacement::Read(unsigned char* buffer, std::size_t size) {
  if (source_fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  return ReadFully(source_fd_, reinterpret_cast<char*>(buffer), size);
}

void AtomicReplacement::Write(const unsigned char* data, std::size_t size) {
  if (!companion_) ThrowIoErrorFromErrno(EBADF);
  if (ReplacementFault()) {
    const int fault = ReplacementFault()(companion_->temporary_path(), written_);
    if (fault != 0) ThrowIoErrorFromErrno(fault);
  }
  // The cache writes behind on its own, so the final flush waits only for
  // the last of the data.
  companion_->Write(reinterpret_cast<const char*>(data), size);
  written_ += size;
}

void AtomicReplacement::Commit() {
  if (source_fd_ < 0 || !companion_) ThrowIoErrorFromErrno(EBADF);
  try {
    companion_->SyncAlways();
    // Windows renames nothing over a file that is open, even for a sharer
    // of deletion: the source is closed first. What was read is written.
    CloseFile(source_fd_);
    source_fd_ = -1;
    companion_->Commit();
  } catch (...) {
    Abandon();
    throw;
  }
  // It is the file now: nothing to remove. A folder's entries have no flush
  // of their own here; the file system's journal keeps the rename whole.
  companion_.reset();
}

std::string AtomicReplacement::companion_path() const {
  return companion_ ? companion_->temporary_path() : std::string();
}

void AtomicReplacement::Abandon() {
  companion_.reset();  // removes an uncommitted companion
  if (source_fd_ >= 0) CloseFile(source_fd_);
  source_fd_ = -1;
}

}  // namespace zuruza
