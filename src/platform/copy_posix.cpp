#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/copy.h"
#include "platform/file.h"

namespace zuruza {

namespace {

std::function<int(const std::string&)>& CopyFault() {
  static std::function<int(const std::string&)> fault;
  return fault;
}

constexpr int kCopyAttempts = 3;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ino == b.st_ino;
}

// Copies the bytes of `in` to `out`; 0 or the errno of the failure. `done`
// is what was copied: less than `size` when the source shrank.
int CopyBytes(int in, int out, off_t size, const std::string& destination, off_t& done) {
  done = 0;
  bool kernel_copy = true;
  std::vector<char> buffer;
  while (done < size) {
    if (CopyFault() && done > 0) {
      if (int fault = CopyFault()(destination)) return fault;
    }
    const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(size - done, 8 << 20));
    ssize_t copied = -1;
    if (kernel_copy) {
      copied = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
      if (copied < 0 &&
          (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernel_copy = false;  // another file system: by hand
        continue;
      }
    } else {
      buffer.resize(1 << 20);
      ssize_t got = ::read(in, buffer.data(), std::min(buffer.size(), chunk));
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (got == 0) break;  // the source shrank: the caller sees it changed
      if (const int error = WriteAllTo(out, buffer.data(), static_cast<std::size_t>(got))) {
        return error;
      }
      copied = got;
    }
    if (copied < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (copied == 0) {
      // Some file systems end a kernel copy early: read() tells the truth.
      if (kernel_copy) {
        kernel_copy = false;
        continue;
      }
      break;
    }
    done += copied;
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

CopyOutcome CopyLink(const std::string& source, const std::string& destination,
                     const struct stat& st) {
  std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
  ssize_t length;
  // A target that fills the buffer may have been cut: read it again, larger.
  while ((length = ::readlink(source.c_str(), target.data(), target.size())) >= 0 &&
         static_cast<std::size_t>(length) == target.size()) {
    target.resize(target.size() * 2);
  }
  if (length < 0) {
    if (errno == ENOENT) return CopyOutcome::kSourceGone;
    ThrowIoErrorFromErrno(errno);
  }
  target.resize(static_cast<std::size_t>(length));
  // The link is made under the temporary name of an atomic output, then
  // renamed into place like one.
  std::string temp;
  for (int attempt = 1;; ++attempt) {
    temp = TemporaryNameFor(destination, attempt);
    if (::symlink(target.c_str(), temp.c_str()) == 0) break;
    if (errno != EEXIST || attempt == 1000) ThrowIoErrorFromErrno(errno);
  }
  timespec times[2] = {st.st_atim, st.st_mtim};
  ::utimensat(AT_FDCWD, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
  if (::rename(temp.c_str(), destination.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    ThrowIoErrorFromErrno(error);
  }
  return CopyOutcome::kCopied;
}

}  // namespace

void SetCopyFaultForTesting(std::function<int(const std::string&)> fault) {
  CopyFault() = std::move(fault);
}

bool CreateOneDirectory(const std::string& path, int* error) {
  if (::mkdir(path.c_str(), 0777) == 0) {
    NoteNewFolder(path);
    return true;
  }
  if (error != nullptr) *error = errno;
  return false;
}

CopyOutcome CopyFilePreservingTime(const std::string& source, const std::string& destination) {
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) {
    if (errno == ENOENT) return CopyOutcome::kSourceGone;
    ThrowIoErrorFromErrno(errno);
  }
  if (S_ISLNK(st.st_mode)) return CopyLink(source, destination, st);
  if (!S_ISREG(st.st_mode)) return CopyOutcome::kSourceGone;  // fifos and devices are never opened

  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    // Non-blocking: a fifo put in the file's place since the check above
    // is let go below instead of waited on.
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0) {
      if (errno == ENOENT) return CopyOutcome::kSourceGone;
      ThrowIoErrorFromErrno(errno);
    }
    const OwnedFile input(in);
    struct stat before {};
    if (::fstat(in, &before) != 0 || !S_ISREG(before.st_mode)) return CopyOutcome::kSourceGone;
    // Private until whole: the copy of a private file is never readable by
    // others meanwhile.
    AtomicFile output(destination, 0600);
    output.ReplaceAnyNonDirectory();  // the destination mirrors the source
    off_t copied = 0;
    if (const int failure = CopyBytes(in, output.fd(), before.st_size, destination, copied)) {
      ThrowIoErrorFromErrno(failure);
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (::futimens(output.fd(), times) != 0) ThrowIoErrorFromErrno(errno);
    output.SetPermissions(before.st_mode);
    struct stat after {};
    const bool changed =
        ::fstat(in, &after) != 0 || !SameFile(before, after) || copied != before.st_size;
    if (changed) continue;  // written to while it was copied: once more
    output.Commit();
    return CopyOutcome::kCopied;
  }
  ThrowIoErrorFromErrno(EBUSY);  // the source keeps changing
}

}  // namespace zuruza
