// The quick change-directory job: the tree list of one drive (every directory
// below its root, a directory before its subdirectories, siblings in listing
// order, never sorted), a cache file of that list per drive, and the cyclic
// search of a text in the last component of the entries.
//
// Blocking. The walk lets events run and shows each directory through the
// sink's status bar 1 (ShowProgress).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/report_sink.h"
#include "platform/directory_reader.h"
#include "platform/fs.h"

namespace zuruza {

// The longest match key, in characters.
inline constexpr std::size_t kMatchKeyLimit = 200;

// What a search is compared with: the entry from its last separator on
// (separator included), upper-cased (ASCII letters only), cut at 200
// characters (never inside one).
// "/home/ana/Fotos" -> "/FOTOS".
std::string MatchKey(std::string_view entry);

// The cache file's name for a drive's mount point in the user's cache
// folder: "/" -> "root.dat", "/media/usb disk" -> "media_usb disk.dat".
// Separators become '_'; '_' and '%' are written %5F and %25 so that no two
// mount points share a name (and "/root" is "%72oot.dat", as "root" belongs
// to "/"), and on Windows the bytes a file name may not hold alike ("C:" ->
// "C%3A.dat"). Trailing separators do not count.
std::string CacheFileName(std::string_view mount_point);

// The drive's cache file LoadTreeCache reads: the newest of those in the
// places DriveTreeCacheFiles (platform/paths.h) gives, else the first place
// ($XDG_CACHE_HOME/zuruza/vcd/<CacheFileName> on Linux).
std::string CacheFilePath(std::string_view mount_point);

// The path the entries of a drive start with: the mount point without its
// trailing separators ("" for "/", so that entries read "/home").
std::string EntryBase(std::string_view mount_point);

class DirectoryTree {
 public:
  explicit DirectoryTree(ReportSink& sink) : sink_(sink) {}

  // Appends every directory below `path` (an entry base: no trailing
  // separator, "" for the root), depth first, a directory before its
  // subdirectories. Links are never followed; a directory that cannot be
  // listed adds nothing below it.
  void WalkDirectoryTree(const std::string& path);
  // Empties the list and walks the drive's tree; the status ends as
  // "Se han examinado N directorios". The walk stays on the drive: a
  // directory where another file system is mounted is listed, but not
  // entered (walking "/" lists "/proc" and "/home" without their contents).
  void BuildTree(std::string_view mount_point);
  // The mount points BuildTree stops at; read from the system when never set.
  void SetMountPoints(std::vector<std::string> mount_points);
  // Writes the list to the drive's cache file, one entry a line (CR, LF and
  // Ctrl-Z bytes of names written as '?'), through a temporary file flushed
  // and renamed into place: in the first of the cache places that takes it,
  // then removing an older cache from the places before it. Failures throw
  // IoError (when no place takes it) and leave the previous cache alone.
  void SaveTreeCache(std::string_view mount_point) const;
  // Empties the list and reads the drive's cache file (CacheFilePath) when
  // there is one.
  // Blank lines are skipped. A read failure throws IoError; the entries read
  // until then stay.
  void LoadTreeCache(std::string_view mount_point);

  // The index of the next entry whose key holds `text` (upper-cased here),
  // going forward from `selected` with wrap-around; the selected entry itself
  // is examined last. A selection below 0 counts as 0. -1 when none matches,
  // the text is empty or the list is.
  std::ptrdiff_t FindNextMatch(std::string_view text, std::ptrdiff_t selected) const;
  // The same going backwards.
  std::ptrdiff_t FindPreviousMatch(std::string_view text, std::ptrdiff_t selected) const;

  const std::vector<std::string>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // Directories counted by the last walk.
  std::size_t directories_examined() const { return count_; }
  // Replaces the list (and its keys) at once.
  void SetEntries(std::vector<std::string> entries);
  void Clear();

 private:
  void Add(std::string entry);
  void WriteCacheFile(const std::string& path) const;
  void Walk(DirectoryReader& reader, std::string& path, std::size_t depth);
  std::ptrdiff_t Find(std::string_view text, std::ptrdiff_t selected, bool forward) const;

  ReportSink& sink_;
  std::vector<std::string> entries_;
  // MatchKey of each entry, kept beside it so a search step allocates nothing.
  std::vector<std::string> keys_;
  std::size_t count_ = 0;
  // Directories not entered by the walk (other file systems' mount points).
  std::unordered_set<std::string> boundaries_;
  std::optional<std::vector<std::string>> mount_points_;
  // One listing buffer per depth, reused from directory to directory.
  std::vector<std::vector<DirEntry>> listings_;
};

}  // namespace zuruza
