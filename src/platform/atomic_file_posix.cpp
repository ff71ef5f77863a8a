#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <optional>
#include <string_view>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/temporary_names.h"

namespace zuruza {

namespace {

// True for a temporary of a process that no longer runs.
bool IsLeftoverOfGoneProcess(std::string_view name) {
  const std::optional<long long> pid = internal::TemporaryOwner(name);
  if (!pid || *pid <= 0 || *pid > INT_MAX || *pid == ::getpid()) return false;
  return ::kill(static_cast<pid_t>(*pid), 0) != 0 && errno == ESRCH;
}

void ClearLeftoversOnce(const std::string& directory) {
  if (internal::FirstClearOf(directory)) ClearLeftoverTemporaries(directory);
}

}  // namespace

void ClearLeftoverTemporaries(const std::string& directory) {
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return;
  const int dir_fd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsLeftoverOfGoneProcess(entry->d_name)) continue;
    // A file or a link (a copied link's temporary), never a directory; this
    // user's own, and untouched for a while.
    struct stat st {};
    if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) continue;
    if (st.st_uid != ::geteuid() || ::time(nullptr) - st.st_mtime < internal::kLeftoverAgeSeconds)
      continue;
    ::unlinkat(dir_fd, entry->d_name, 0);
  }
  ::closedir(dir);
}

std::string TemporaryNameFor(const std::string& destination, int attempt) {
  const std::string dir = FolderOf(destination);
  const std::string name = destination.substr(dir.size());
  return dir + ".~" + name.substr(0, internal::kTemporaryNameKept) + "." +
         std::to_string(::getpid()) + "." + std::to_string(attempt) +
         std::string(internal::kTemporarySuffix);
}

AtomicFile::AtomicFile(const std::string& destination, std::uint32_t create_mode)
    : destination_(destination) {
  ClearLeftoversOnce(FolderOf(destination));
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
  if (const int error = WriteAllTo(fd_, data, size); error != 0) ThrowIoErrorFromErrno(error);
}

void AtomicFile::SetPermissions(std::uint32_t mode) {
  if (fd_ < 0 || ::fchmod(fd_, mode & 07777) != 0) ThrowIoErrorFromErrno(fd_ < 0 ? EBADF : errno);
  own_permissions_ = true;
}

void AtomicFile::Commit() {
  if (fd_ < 0) ThrowIoErrorFromErrno(EBADF);
  struct stat existing {};
  const bool replacing = ::lstat(destination_.c_str(), &existing) == 0;
  // Only a file or a link is replaced: never a device, fifo or directory
  // (a backup, which mirrors its source, may replace all but a directory).
  if (replacing && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode) &&
      (!replace_any_ || S_ISDIR(existing.st_mode))) {
    ThrowIoErrorFromErrno(EACCES);
  }
  if (replacing && S_ISREG(existing.st_mode) && !own_permissions_)
    ::fchmod(fd_, existing.st_mode & 07777);
  if ((replacing || sync_always_) && ::fsync(fd_) != 0) ThrowIoErrorFromErrno(errno);
  if (const int error = CloseFile(std::exchange(fd_, -1)); error != 0) ThrowIoErrorFromErrno(error);
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) ThrowIoErrorFromErrno(errno);
  committed_ = true;
}

}  // namespace zuruza
