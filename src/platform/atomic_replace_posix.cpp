#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/errors.h"
#include "platform/atomic_replace.h"
#include "platform/file.h"
#include "platform/path.h"

namespace zuruza {

namespace {

std::function<int(const std::string&, std::uint64_t)>& ReplacementFault() {
  static std::function<int(const std::string&, std::uint64_t)> fault;
  return fault;
}

// Writeback of the companion is started every few megabytes, so that the
// final fsync waits only for the last of them and the disk works while the
// next blocks are read and transformed.
constexpr std::uint64_t kWritebackStep = 8u << 20;

// Makes the rename itself durable; a failure here loses nothing, since the
// data is already on the disk under one of the two names.
void SyncDirectoryOf(const std::string& path) {
  const std::string dir = DirectoryToOpen(path);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void SetReplacementFaultForTesting(std::function<int(const std::string&, std::uint64_t)> fault) {
  ReplacementFault() = std::move(fault);
}

AtomicReplacement::~AtomicReplacement() { Abandon(); }

void AtomicReplacement::OpenSource(const std::string& path) {
  Abandon();
  // A cheap check first, so that fifos and devices are never opened at all.
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) ThrowIoErrorFromErrno(errno);
  if (!S_ISREG(info.st_mode)) ThrowIoErrorFromErrno(EACCES);
  // Read and write access, although only reading happens: a file the person
  // may not write must not be replaced either.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) ThrowIoErrorFromErrno(errno == ELOOP ? EACCES : errno);
  // Checked again on the open file: the name may have been swapped meanwhile.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    ThrowIoErrorFromErrno(EACCES);
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  source_fd_ = fd;
  path_ = path;
  mode_ = info.st_mode & 07777;
  owner_ = info.st_uid;
  group_ = info.st_gid;
}

void AtomicReplacement::CreateCompanion() {
  if (source_fd_ < 0 || companion_) ThrowIoErrorFromErrno(EBADF);
  // Private until Commit gives it the file's permissions.
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
  companion_->Write(reinterpret_cast<const char*>(data), size);
  written_ += size;
  if (written_ - queued_ >= kWritebackStep) {
    ::sync_file_range(companion_->fd(), static_cast<off_t>(queued_),
                      static_cast<off_t>(written_ - queued_), SYNC_FILE_RANGE_WRITE);
    queued_ = written_;
  }
}

void AtomicReplacement::Commit() {
  if (source_fd_ < 0 || !companion_) ThrowIoErrorFromErrno(EBADF);
  try {
    // The owner is kept where the system allows it (root, or a group the
    // person belongs to); the permissions always, after the owner, which
    // clears them. A person who may write another's file becomes the owner
    // of its result.
    [[maybe_unused]] const int owner_kept = ::fchown(companion_->fd(), owner_, group_);
    companion_->SetPermissions(mode_);
    companion_->SyncAlways();
    companion_->Commit();
  } catch (...) {
    Abandon();
    throw;
  }
  companion_.reset();  // it is the file now: nothing to remove
  ::close(source_fd_);
  source_fd_ = -1;
  SyncDirectoryOf(path_);
}

std::string AtomicReplacement::companion_path() const {
  return companion_ ? companion_->temporary_path() : std::string();
}

void AtomicReplacement::Abandon() {
  companion_.reset();  // removes an uncommitted companion
  if (source_fd_ >= 0) ::close(source_fd_);
  source_fd_ = -1;
}

}  // namespace zuruza
