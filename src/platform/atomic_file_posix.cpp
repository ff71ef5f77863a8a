#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <mutex>
#include <string_view>
#include <unordered_set>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/path.h"

namespace zuruza {

namespace {

// Cut so that the temporary name stays within the longest name the file
// system takes whenever the destination's does.
constexpr std::size_t kNameKept = 100;

// Takes ".<digits>" off the end of `text`.
bool TakeNumber(std::string_view& text, long long& number) {
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view digits = text.substr(dot + 1);
  if (digits.empty() || digits.size() > 18) return false;
  number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  text = text.substr(0, dot);
  return true;
}

constexpr std::string_view kTemporarySuffix = ".zuruza.tmp";
// A temporary untouched this long is no live writer's, wherever that runs
// (another machine on a shared folder, another container).
constexpr std::int64_t kLeftoverAgeSeconds = 3600;

// True for ".~<name>.<pid>.<n>.zuruza.tmp" of a process that no longer runs.
bool IsLeftoverOfGoneProcess(std::string_view name) {
  if (!name.starts_with(".~") || !name.ends_with(kTemporarySuffix)) return false;
  std::string_view rest = name.substr(0, name.size() - kTemporarySuffix.size());
  long long attempt = 0;
  long long pid = 0;
  if (!TakeNumber(rest, attempt) || !TakeNumber(rest, pid) || rest.size() <= 2) return false;
  if (pid <= 0 || pid > INT_MAX || pid == ::getpid()) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The folders cleared (or created) by this process, without a final "/".
std::mutex cleared_mutex;
std::unordered_set<std::string> cleared_folders;

std::string FolderKey(const std::string& directory) {
  std::string key = directory;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

void ClearLeftoversOnce(const std::string& directory) {
  {
    const std::lock_guard<std::mutex> lock(cleared_mutex);
    if (!cleared_folders.insert(FolderKey(directory)).second) return;
  }
  ClearLeftoverTemporaries(directory);
}

}  // namespace

void NoteNewFolder(const std::string& directory) {
  const std::lock_guard<std::mutex> lock(cleared_mutex);
  cleared_folders.insert(FolderKey(directory));
}

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
    if (st.st_uid != ::geteuid() || ::time(nullptr) - st.st_mtime < kLeftoverAgeSeconds) continue;
    ::unlinkat(dir_fd, entry->d_name, 0);
  }
  ::closedir(dir);
}

std::string TemporaryNameFor(const std::string& destination, int attempt) {
  const std::string dir = FolderOf(destination);
  const std::string name = destination.substr(dir.size());
  return dir + ".~" + name.substr(0, kNameKept) + "." + std::to_string(::getpid()) + "." +
         std::to_string(attempt) + std::string(kTemporarySuffix);
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
