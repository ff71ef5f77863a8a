#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/errors.h"
#include "platform/file.h"

namespace zuruza {

namespace {

// Why a file of this type is not opened for its data, 0 when it may be: a
// directory opens for reading on POSIX; fifos, sockets and devices read
// could wait forever or never end.
int RefusedType(mode_t type, bool writing) {
  if (S_ISDIR(type)) return EISDIR;
  if (!S_ISREG(type) && !(writing && S_ISCHR(type))) return EACCES;
  return 0;
}

int OpenFlags(DataOpen how) {
  switch (how) {
    case DataOpen::kRead:
      return O_RDONLY;
    case DataOpen::kCreateReplace:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case DataOpen::kCreateAppend:
      return O_WRONLY | O_CREAT | O_APPEND;
    case DataOpen::kReplaceExisting:
      return O_WRONLY | O_TRUNC;
  }
  return O_RDONLY;
}

}  // namespace

int OpenDataFile(const std::string& path, DataOpen how) {
  const int flags = OpenFlags(how);
  const bool writing = how != DataOpen::kRead;
  struct stat info {};
  // Checked before opening, since a device may act on being opened (a tape
  // rewinds); and again after, for a file replaced in between.
  if (::stat(path.c_str(), &info) == 0) {
    if (const int error = RefusedType(info.st_mode, writing); error != 0)
      ThrowIoErrorFromErrno(error);
  }
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  // A fifo nobody reads refuses a non-blocking open for writing.
  if (fd < 0) ThrowIoErrorFromErrno(errno == ENXIO ? EACCES : errno);
  int error = ::fstat(fd, &info) != 0 ? errno : RefusedType(info.st_mode, writing);
  if (error == 0) {
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) error = errno;
  }
  if (error != 0) {
    ::close(fd);
    ThrowIoErrorFromErrno(error);
  }
  return fd;
}

bool CheckOutputType(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  if (const int error = RefusedType(info.st_mode, true); error != 0) ThrowIoErrorFromErrno(error);
  return S_ISCHR(info.st_mode);
}

std::size_t ReadSome(int fd, char* into, std::size_t size) {
  ssize_t got;
  do {
    got = ::read(fd, into, size);
  } while (got < 0 && errno == EINTR);
  if (got < 0) ThrowIoErrorFromErrno(errno);
  return static_cast<std::size_t>(got);
}

void ReadExactlyAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, into + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowIoErrorFromErrno(errno);
    if (got == 0) throw IoError(kReadBeyondEnd);  // the file shrank meanwhile
    done += static_cast<std::size_t>(got);
  }
}

int WriteAllTo(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // A device that takes nothing without an error would loop forever.
    if (written == 0) return ENOSPC;
    data += written;
    size -= static_cast<std::size_t>(written);
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
    const ssize_t n = ::read(fd, into + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowIoErrorFromErrno(errno);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

void OwnedFile::Close() {
  if (const int error = CloseFile(std::exchange(fd_, -1)); error != 0) ThrowIoErrorFromErrno(error);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

FileIdentity IdentityOf(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowIoErrorFromErrno(errno);
  return FileIdentity{st.st_dev, st.st_ino};
}

std::string ResolvedLink(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

bool WritableOrMissing(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0 || errno == ENOENT;
}

std::string CreateScratchFile(const std::string& prefix) {
  std::string name = prefix + "XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) ThrowIoErrorFromErrno(errno);
  ::close(fd);
  return name;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int CloseFile(int fd) {
  if (fd < 0) return 0;
  // After EINTR the descriptor is gone on Linux; nothing is left to retry.
  return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

void RewindFile(int fd) {
  if (::lseek(fd, 0, SEEK_SET) < 0) ThrowIoErrorFromErrno(errno);
}

namespace {

OpenedFileStatus StatusFrom(const struct stat& info) {
  return {FileIdentity{info.st_dev, info.st_ino}, static_cast<std::uint64_t>(info.st_size),
          static_cast<UnixNanos>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

int OpenRegularFileToRead(const std::string& path, OpenedFileStatus& status) {
  struct stat before {};
  if (::lstat(path.c_str(), &before) != 0) ThrowIoErrorFromErrno(errno);
  if (!S_ISREG(before.st_mode)) ThrowIoErrorFromErrno(EACCES);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) ThrowIoErrorFromErrno(errno == ELOOP ? EACCES : errno);
  struct stat info {};
  int error = ::fstat(fd, &info) != 0 ? errno : 0;
  // Put in the file's place between the two looks: not the file looked at.
  if (error == 0 &&
      (!S_ISREG(info.st_mode) || info.st_ino != before.st_ino || info.st_dev != before.st_dev))
    error = EACCES;
  if (error != 0) {
    ::close(fd);
    ThrowIoErrorFromErrno(error);
  }
  status = StatusFrom(info);
  return fd;
}

OpenedFileStatus StatusOfOpenFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) ThrowIoErrorFromErrno(errno);
  return StatusFrom(info);
}

std::uint64_t OpenFileSize(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) ThrowIoErrorFromErrno(errno);
  return static_cast<std::uint64_t>(info.st_size);
}

UnixNanos OpenFileWriteTime(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) ThrowIoErrorFromErrno(errno);
  return static_cast<UnixNanos>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

int OpenRegularFileForDating(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) ThrowIoErrorFromErrno(errno == ELOOP ? EACCES : errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw IoError(kFileAccessDenied);  // only regular files carry a date to change
  }
  return fd;
}

void SetOpenFileWriteTime(int fd, UnixNanos time) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(time / 1'000'000'000);
  times[1].tv_nsec = 0;
  if (::futimens(fd, times) != 0) ThrowIoErrorFromErrno(errno);
}

}  // namespace zuruza
