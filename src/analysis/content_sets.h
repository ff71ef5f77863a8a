// Files of one size told apart by what they hold, for the duplicate finder's
// content checks: the first 64 KB of each file is read once and hashed
// (XXH3, 128 bits), equal hashes are confirmed byte for byte against the
// first file of that beginning, and files longer than that beginning are
// then read side by side, block by block, and split wherever their bytes
// part. No file is taken as equal on a hash alone, a file is opened only
// when another of its size exists, and each byte is read once (but for
// hundreds of long files sharing a beginning, see CompareSameSize).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace zuruza {

struct ContentFile {
  std::string path;
  std::uint64_t size = 0;
  // As the walk saw it: a file written since is not compared.
  UnixNanos write_time = 0;
};

enum class ContentOutcome : std::uint8_t {
  kCompared,
  kHardLink,     // another name of an earlier file of the group
  kUnreadable,   // could not be opened or read: never taken as equal
  kChanged,      // written, grown or shrunk since the walk
  kNotCompared,  // the comparison was stopped before it
};

struct ContentSets {
  // For each file, the first file of the group with the same content (itself
  // when none came before). A hard link points at the file it is a name of;
  // a file not compared points at itself.
  std::vector<std::size_t> first_alike;
  std::vector<ContentOutcome> outcome;
  std::vector<std::string> trouble;  // why a file could not be read
};

class ContentComparer {
 public:
  // `keep_going` is asked before each file is read and between blocks: the
  // program's events run there, and false stops the comparison.
  explicit ContentComparer(std::function<bool(const ContentFile&)> keep_going);

  // Splits `files`, all of one size, into sets of equal content.
  ContentSets CompareSameSize(const std::vector<ContentFile>& files);

  bool stopped() const { return stopped_; }
  std::uint64_t bytes_read() const { return bytes_read_; }

 private:
  // Splits files that share their first bytes by the rest of them.
  void SplitByRest(const std::vector<ContentFile>& files, std::vector<std::size_t> members,
                   ContentSets& sets);
  // Reads `members` side by side from the end of the beginning on; returns
  // the sets of two or more that stayed equal to the end.
  std::vector<std::vector<std::size_t>> ReadSideBySide(const std::vector<ContentFile>& files,
                                                       const std::vector<std::size_t>& members,
                                                       ContentSets& sets);
  bool KeepGoing(const ContentFile& file);

  std::function<bool(const ContentFile&)> keep_going_;
  bool stopped_ = false;
  std::uint64_t bytes_read_ = 0;
};

// Compares many groups, each of files of one size, on `threads` threads
// (none: on this one), and returns their sets in the groups' order.
// `progress` is told on the calling thread, a few times a second, how many
// files were taken up of how many and one being read; false stops the
// comparison. `bytes_read` gets what was read.
using ContentProgress =
    std::function<bool(std::size_t taken, std::size_t total, const std::string& reading)>;
std::vector<ContentSets> CompareGroups(const std::vector<std::vector<ContentFile>>& groups,
                                       unsigned threads, const ContentProgress& progress,
                                       std::uint64_t& bytes_read);

// The set a file belongs to: its own, or for a hard link the set of the
// file it is a name of.
inline std::size_t SetOf(const ContentSets& sets, std::size_t index) {
  const std::size_t alike = sets.first_alike[index];
  return sets.outcome[index] == ContentOutcome::kHardLink ? sets.first_alike[alike] : alike;
}

// The bytes compared by their hash first: the beginning of every file.
inline constexpr std::size_t kContentHead = 64 * 1024;

}  // namespace zuruza
