// Rewrites a regular file without ever showing a partial result under its
// name. The new content goes to a companion file: the atomic writer's
// temporary beside the file, which never replaces an existing entry; Commit
// flushes it to the disk, gives it the file's permissions (and owner, where
// allowed) and renames it over the file in one step. At every moment the
// file's name holds either all of the old content or all of the new one. A
// failure, or an AtomicReplacement destroyed before Commit, removes the
// companion and leaves the file as it was; only a process killed meanwhile
// leaves a companion behind, which a later run in that folder clears like any
// other leftover temporary.
//
// Failures throw IoError (a missing file: "File not found"). Blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/atomic_file.h"

namespace zuruza {

class AtomicReplacement {
 public:
  AtomicReplacement() = default;
  ~AtomicReplacement();
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;

  // Opens `path` for reading. It must be a regular file that the user may
  // write, since the result takes its place: a read-only file gives EACCES,
  // and so do links (never followed), directories and special files (never
  // opened).
  void OpenSource(const std::string& path);
  // Creates the companion, after OpenSource.
  void CreateCompanion();
  // Reads up to `size` bytes of the source; fewer only at its end.
  std::size_t Read(unsigned char* buffer, std::size_t size);
  // Appends to the companion.
  void Write(const unsigned char* data, std::size_t size);
  // Flushes the companion to the disk and renames it over the source.
  void Commit();
  // Closes both files and removes the companion; the source stays as it was.
  void Abandon();

  // Empty before CreateCompanion and after Commit or Abandon.
  std::string companion_path() const;

 private:
  int source_fd_ = -1;
  std::unique_ptr<AtomicFile> companion_;
  std::string path_;
  std::uint32_t mode_ = 0;
  std::uint32_t owner_ = 0;
  std::uint32_t group_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t queued_ = 0;  // bytes already handed to the disk's writeback
};

// For tests: called before every write to a companion with the bytes written
// so far; an errno it returns (ENOSPC, say) fails that write. Empty: no
// faults.
void SetReplacementFaultForTesting(
    std::function<int(const std::string& companion, std::uint64_t written)> fault);

}  // namespace zuruza
