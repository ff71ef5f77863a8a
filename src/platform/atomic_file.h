// The one way a tool writes a whole new output file: the bytes go to a
// temporary file in the destination's folder (".~<name>.<pid>.<n>.zuruza.tmp"), and
// Commit renames it
// over the destination in one step. Until then the destination holds what it
// held before; a failure, or an AtomicFile destroyed before Commit, removes
// the temporary. Only a process killed meanwhile leaves a temporary behind,
// and the next atomic output made in that folder removes it.
//
// A destination that is a symbolic link is replaced by the new file, never
// written through; one that is neither a file nor a link (a device, a
// directory) is never replaced ("File access denied"). Failures throw
// IoError. Blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zuruza {

class AtomicFile {
 public:
  // Creates the temporary beside `destination`, with `create_mode` as its
  // permissions (less the umask) until Commit.
  explicit AtomicFile(const std::string& destination, std::uint32_t create_mode = 0666);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends bytes, going on after short writes and interruptions.
  void Write(const char* data, std::size_t size);
  // Gives the new file these permissions, kept by Commit.
  void SetPermissions(std::uint32_t mode);
  // Lets Commit replace a fifo, socket or device too (never a directory).
  void ReplaceAnyNonDirectory() { replace_any_ = true; }
  // Flushes to the disk before the rename even for a new name.
  void SyncAlways() { sync_always_ = true; }
  // Flushes the data to the disk when it replaces an earlier file (so a
  // crash never leaves an empty file where the old one was), gives it the
  // earlier file's permissions unless SetPermissions chose others, and
  // renames it into place.
  void Commit();

  int fd() const { return fd_; }
  const std::string& temporary_path() const { return temporary_; }

 private:
  std::string destination_;
  std::string temporary_;
  int fd_ = -1;
  bool committed_ = false;
  bool own_permissions_ = false;
  bool replace_any_ = false;
  bool sync_always_ = false;
};

// The temporary name an atomic output uses beside `destination`, for its
// `attempt`-th try (1, 2, ...): ".~<name>.<pid>.<attempt>.zuruza.tmp".
std::string TemporaryNameFor(const std::string& destination, int attempt);

// Removes from `directory` the temporaries that runs killed meanwhile left
// behind: names of that pattern, this user's, untouched for an hour, whose
// process is gone (a live process's, or one whose process cannot be told,
// stays). Done once per folder and process
// by the first atomic output made there; quiet about what it cannot remove.
void ClearLeftoverTemporaries(const std::string& directory);
// A folder this process has just created holds no leftovers: nothing is
// cleared there.
void NoteNewFolder(const std::string& directory);

}  // namespace zuruza
