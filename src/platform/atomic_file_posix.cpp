#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.h"

namespace zuruza {

namespace {

// Cut so that the temporary name stays within the longest name the file
// system takes whenever the destination's does.
constexpr std::size_t kNameKept = 100;

}  // namespace

std::string TemporaryNameFor(const std::string& destination, int attempt) {
  const std::size_t slash = destination.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  return dir + ".~" + name.substr(0, kNameKept) + "." + std::to_string(::getpid()) + "." +
         std::to_string(attempt) + ".tmp";
}

AtomicFile::AtomicFile(const std::string& destination, std::uint32_t create_mode)
    : destination_(destination) {
  for (int attempt = 1; fd_ < 0; ++attempt) {
    temporary_ = TemporaryNameFor(destination, attempt);
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
    if (fd_ < 0 && (errno != EEXIST || attempt == 1000)) ThrowIoErrorFromErrno(errno);
  }
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void AtomicFile::Write(const char* data, std::size_t size) {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowIoErrorFromErrno(errno);
    }
    // A device that takes nothing without an error would loop forever.
    if (written == 0) ThrowIoErrorFromErrno(ENOSPC);
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void AtomicFile::SetPermissions(std::uint32_t mode) {
  if (fd_ < 0 || ::fchmod(fd_, mode & 07777) != 0) ThrowIoErrorFromErrno(fd_ < 0 ? EBADF : errno);
  own_permissions_ = true;
}

void AtomicFile::Commit() {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  struct stat existing {};
  const bool replacing = ::lstat(destination_.c_str(), &existing) == 0;
  // Only a file or a link is replaced: never a device, fifo or directory.
  if (replacing && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) ThrowIoErrorFromErrno(EACCES);
  if (replacing && S_ISREG(existing.st_mode) && !own_permissions_) ::fchmod(fd_, existing.st_mode & 07777);
  if (replacing && ::fsync(fd_) != 0) ThrowIoErrorFromErrno(errno);
  const int fd = fd_;
  fd_ = -1;
  // After EINTR the descriptor is gone on Linux; nothing is left to retry.
  if (::close(fd) != 0 && errno != EINTR) ThrowIoErrorFromErrno(errno);
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) ThrowIoErrorFromErrno(errno);
  committed_ = true;
}

}  // namespace zuruza
