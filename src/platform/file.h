// Data files as the tools open, read and write them, as plain descriptors.
// Every failure throws IoError, except where a call returns an errno so the
// caller can report one failure once. Blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/fs.h"

namespace zuruza {

enum class DataOpen {
  kRead,            // an existing file
  kCreateReplace,   // created, or emptied when it exists
  kCreateAppend,    // created, or written at its end
  kReplaceExisting  // an existing file (a device) emptied and written
};

// Opens `path` for its data, never waiting on a fifo: only a regular file
// is taken, or a character device to write to (/dev/null as a report);
// anything else, a fifo nobody reads included, is "File access denied", a
// directory too. Returns a blocking descriptor.
int OpenDataFile(const std::string& path, DataOpen how);

// Throws, as OpenDataFile would, when an existing `path` is of a type no
// output is written to; true when it is a character device.
bool CheckOutputType(const std::string& path);

// Up to `size` bytes at the current position; 0 at the end of the file.
std::size_t ReadSome(int fd, char* into, std::size_t size);
// Exactly `size` bytes at `offset`; "Read beyond end of file" when fewer.
void ReadExactlyAt(int fd, char* into, std::size_t size, std::uint64_t offset);
// Writes everything, going on after short writes; 0 or the errno.
int WriteAllTo(int fd, const char* data, std::size_t size);
// Closes; 0 or the errno (an interrupted close has closed the descriptor).
int CloseFile(int fd);
// Back to the file's start.
void RewindFile(int fd);
// The size and last-write time of an open file.
std::uint64_t OpenFileSize(int fd);
UnixNanos OpenFileWriteTime(int fd);

// The whole content of a data file (opened as OpenDataFile opens it), read
// to its end whatever size it claims (a /proc file claims none).
std::string ReadWholeFile(const std::string& path);

// Up to `size` bytes, fewer only at the end of the file: short reads and
// interruptions are gone past.
std::size_t ReadFully(int fd, char* into, std::size_t size);

// An open descriptor, closed at the end of its scope. Close() reports a
// failed close, on some file systems the first sign of a full disk, as
// IoError; the destructor only tidies up after an error.
class OwnedFile {
 public:
  explicit OwnedFile(int fd) : fd_(fd) {}
  ~OwnedFile() { CloseFile(std::exchange(fd_, -1)); }
  OwnedFile(OwnedFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFile& operator=(OwnedFile&& other) noexcept {
    if (this != &other) {
      CloseFile(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  void Close();

 private:
  int fd_;
};

// What a file is, whatever its name: two names with the same identity are
// one file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(
    const std::string& path);  // links followed; none when missing
FileIdentity IdentityOf(int fd);

// A regular file as it was when opened to be read.
struct OpenedFileStatus {
  FileIdentity identity;
  std::uint64_t size = 0;
  UnixNanos write_time = 0;
};
// Opens a regular file to read it, with its status. A link is not followed,
// and whatever else stands at `path` (a fifo or device put in the file's
// place) is refused as "File access denied" without being opened.
int OpenRegularFileToRead(const std::string& path, OpenedFileStatus& status);
// The status of an open file now: whether it changed while being read.
OpenedFileStatus StatusOfOpenFile(int fd);

// Where a symbolic link finally leads, as a full path; `path` itself when
// it is no link or its target does not resolve.
std::string ResolvedLink(const std::string& path);
// False when an existing `path` is one the user may not write.
bool WritableOrMissing(const std::string& path);

// A new empty file of a name nobody else uses: `prefix` and six characters.
std::string CreateScratchFile(const std::string& prefix);
// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string& path);

// A regular file (never through a final link) opened to change its date;
// "File access denied" for anything else.
int OpenRegularFileForDating(const std::string& path);
// Sets an open file's last-write time to whole seconds, access time kept.
void SetOpenFileWriteTime(int fd, UnixNanos time);

}  // namespace zuruza
