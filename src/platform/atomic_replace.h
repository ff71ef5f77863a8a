// Rewrites a regular file without ever showing a partial result under its
// name. The new content goes to a companion file in the same directory,
// created without replacing any existing entry; Commit flushes it to the
// disk, gives it the file's permissions (and owner, where allowed) and
// renames it over the file in one step. At every moment the file's name holds
// either all of the old content or all of the new one. A failure, or an
// AtomicReplacement destroyed before Commit, removes the companion and leaves
// the file as it was; only a process killed meanwhile leaves a companion
// behind.
//
// Failures throw IoError (a missing file: "File not found"). Blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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
  // Creates the companion, after OpenSource: `companion` when no entry of
  // that name exists, else the first free name of companion + "~1", "~2",
  // ... An existing entry (a person's file, a leftover of a killed run) is
  // never replaced.
  void CreateCompanion(const std::string& companion);
  // Reads up to `size` bytes of the source; fewer only at its end.
  std::size_t Read(unsigned char* buffer, std::size_t size);
  // Appends to the companion.
  void Write(const unsigned char* data, std::size_t size);
  // Flushes the companion to the disk and renames it over the source.
  void Commit();
  // Closes both files and removes the companion; the source stays as it was.
  void Abandon();

  const std::string& companion_path() const { return companion_path_; }

 private:
  // The same, as errno values (0 for success).
  int TryOpenSource(const std::string& path);
  int TryCreateCompanion(const std::string& companion);
  int TryWrite(const unsigned char* data, std::size_t size);
  int TryCommit();

  int source_fd_ = -1;
  int companion_fd_ = -1;
  std::string path_;
  std::string companion_path_;
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
