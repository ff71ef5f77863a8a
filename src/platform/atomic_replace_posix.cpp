#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.h"
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

// The number of alternative companion names tried before giving up.
constexpr int kCompanionAttempts = 1000;

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

namespace {

void Check(int error_number) {
  if (error_number != 0) ThrowIoErrorFromErrno(error_number);
}

}  // namespace

void AtomicReplacement::OpenSource(const std::string& path) { Check(TryOpenSource(path)); }
void AtomicReplacement::CreateCompanion(const std::string& companion) {
  Check(TryCreateCompanion(companion));
}
std::size_t AtomicReplacement::Read(unsigned char* buffer, std::size_t size) {
  if (source_fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  return ReadFully(source_fd_, reinterpret_cast<char*>(buffer), size);
}
void AtomicReplacement::Write(const unsigned char* data, std::size_t size) {
  Check(TryWrite(data, size));
}
void AtomicReplacement::Commit() { Check(TryCommit()); }

int AtomicReplacement::TryOpenSource(const std::string& path) {
  Abandon();
  // A cheap check first, so that fifos and devices are never opened at all.
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EACCES;
  // Read and write access, although only reading happens: a file the person
  // may not write must not be replaced either.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ELOOP ? EACCES : errno;
  // Checked again on the open file: the name may have been swapped meanwhile.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return EACCES;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  source_fd_ = fd;
  path_ = path;
  mode_ = info.st_mode & 07777;
  owner_ = info.st_uid;
  group_ = info.st_gid;
  return 0;
}

int AtomicReplacement::TryCreateCompanion(const std::string& companion) {
  if (source_fd_ < 0 || companion_fd_ >= 0) return EBADF;
  for (int attempt = 0;; ++attempt) {
    std::string name = attempt == 0 ? companion : companion + "~" + std::to_string(attempt);
    // O_EXCL: an existing entry of that name is never truncated or followed.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      companion_fd_ = fd;
      companion_path_ = std::move(name);
      written_ = queued_ = 0;
      return 0;
    }
    if (errno != EEXIST || attempt + 1 >= kCompanionAttempts) return errno;
  }
}

int AtomicReplacement::TryWrite(const unsigned char* data, std::size_t size) {
  if (companion_fd_ < 0) return EBADF;
  if (ReplacementFault()) {
    if (const int fault = ReplacementFault()(companion_path_, written_)) return fault;
  }
  if (const int error = WriteAllTo(companion_fd_, reinterpret_cast<const char*>(data), size)) {
    return error;
  }
  written_ += size;
  if (written_ - queued_ >= kWritebackStep) {
    ::sync_file_range(companion_fd_, static_cast<off_t>(queued_),
                      static_cast<off_t>(written_ - queued_), SYNC_FILE_RANGE_WRITE);
    queued_ = written_;
  }
  return 0;
}

int AtomicReplacement::TryCommit() {
  if (source_fd_ < 0 || companion_fd_ < 0) return EBADF;
  // The owner is kept where the system allows it (root, or a group the person
  // belongs to); the permissions always, after the owner, which clears them.
  if (::fchown(companion_fd_, owner_, group_) != 0) {
    // A person who may write another's file becomes the owner of its result.
  }
  int failure = 0;
  if (::fchmod(companion_fd_, mode_) != 0 || ::fsync(companion_fd_) != 0) failure = errno;
  // close() reports late write errors of some file systems (NFS).
  if (::close(companion_fd_) != 0 && failure == 0) failure = errno;
  companion_fd_ = -1;
  if (failure == 0 && ::rename(companion_path_.c_str(), path_.c_str()) != 0) failure = errno;
  if (failure != 0) {
    Abandon();
    return failure;
  }
  companion_path_.clear();  // it is the file now: nothing to remove
  ::close(source_fd_);
  source_fd_ = -1;
  SyncDirectoryOf(path_);
  return 0;
}

void AtomicReplacement::Abandon() {
  if (companion_fd_ >= 0) ::close(companion_fd_);
  companion_fd_ = -1;
  if (!companion_path_.empty()) ::unlink(companion_path_.c_str());
  companion_path_.clear();
  if (source_fd_ >= 0) ::close(source_fd_);
  source_fd_ = -1;
}

}  // namespace zuruza
