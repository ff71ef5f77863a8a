#include "navigation/vcd.h"

#include <optional>
#include <utility>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/drives.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/paths.h"

namespace zuruza {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Bytes a Windows file name may not hold (a ':' would name a stream of
// another file); any byte but the separator goes on POSIX.
bool ForbiddenInNames(char c) {
  if (kPathSep != '\\') return false;
  return static_cast<unsigned char>(c) < 0x20 || c == '/' || c == ':' || c == '*' || c == '?' ||
         c == '"' || c == '<' || c == '>' || c == '|';
}

}  // namespace

std::string MatchKey(std::string_view entry) {
  const std::size_t slash = entry.rfind(kPathSep);
  std::string_view last = slash == std::string_view::npos ? entry : entry.substr(slash);
  return UpperAscii(CharPrefix(last, static_cast<long long>(kMatchKeyLimit)));
}

std::string EntryBase(std::string_view mount_point) {
  while (!mount_point.empty() && mount_point.back() == kPathSep) mount_point.remove_suffix(1);
  return std::string(mount_point);
}

std::string CacheFileName(std::string_view mount_point) {
  std::string base = EntryBase(mount_point);
  if (!base.empty() && base.front() == kPathSep) base.erase(0, 1);
  if (base.empty()) return "root.dat";
  std::string name;
  name.reserve(base.size() + 8);
  for (char c : base) {
    if (c == kPathSep) {
      name += '_';
    } else if (c == '_' || c == '%' || ForbiddenInNames(c)) {
      name += '%';
      name += kHexDigits[static_cast<unsigned char>(c) >> 4];
      name += kHexDigits[static_cast<unsigned char>(c) & 0xF];
    } else {
      name += c;
    }
  }
  if (name == "root") name = "%72oot";
  return name + ".dat";
}

std::string CacheFilePath(std::string_view mount_point) {
  const std::vector<std::string> files =
      DriveTreeCacheFiles(mount_point, CacheFileName(mount_point));
  // The newest of those there: a stale cache that could not be removed
  // (a read-only one at a drive's root) never hides a fresher one.
  std::optional<std::string> newest;
  UnixNanos newest_time = 0;
  for (const std::string& file : files) {
    const std::optional<DirEntry> entry = StatPath(file);
    if (!entry) continue;
    if (!newest || entry->write_time > newest_time) {
      newest = file;
      newest_time = entry->write_time;
    }
  }
  return newest.value_or(files.front());
}

void DirectoryTree::Clear() {
  entries_.clear();
  keys_.clear();
}

void DirectoryTree::Add(std::string entry) {
  keys_.push_back(MatchKey(entry));
  entries_.push_back(std::move(entry));
}

void DirectoryTree::SetEntries(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  keys_.clear();
  keys_.reserve(entries_.size());
  for (const std::string& entry : entries_) keys_.push_back(MatchKey(entry));
}

void DirectoryTree::WalkDirectoryTree(const std::string& path) {
  std::string walking = path;
  // The subdirectories' names are all a tree of folders needs; mount points
  // below are not entered.
  DirectoryReader reader(EntryDetail::kDirectories, boundaries_);
  Walk(reader, walking, 0);
}

// `path` grows by one name per level and is cut back on the way out, so the
// walk builds no path twice.
void DirectoryTree::Walk(DirectoryReader& reader, std::string& path, std::size_t depth) {
  if (listings_.size() <= depth) listings_.resize(depth + 1);
  // The root's base is empty ("/" is listed) or a drive ("c:", whose root
  // is "c:\"); deeper paths are listed as they are.
  const bool listed =
      depth > 0 ? reader.List(path, listings_[depth])
                : reader.List(path.empty() ? std::string(1, kPathSep) : WithTrailingSep(path),
                              listings_[depth]);
  if (!listed) return;
  const std::size_t base_size = path.size();
  // By index: deeper levels may grow listings_ and move this level's vector.
  for (std::size_t i = 0; i < listings_[depth].size(); ++i) {
    const DirEntry& entry = listings_[depth][i];
    if (!entry.IsDirectory() || entry.name == "." || entry.name == "..") continue;
    ++count_;
    path += kPathSep;
    path += entry.name;
    Add(path);
    sink_.ShowProgress(StatusBar::kStatusBar1, path);
    if (boundaries_.count(path) == 0) Walk(reader, path, depth + 1);
    path.resize(base_size);
  }
}

void DirectoryTree::SetMountPoints(std::vector<std::string> mount_points) {
  mount_points_ = std::move(mount_points);
}

void DirectoryTree::BuildTree(std::string_view mount_point) {
  Clear();
  count_ = 0;
  const std::string base = EntryBase(mount_point);
  boundaries_ = MountPointsBelow(base, mount_points_ ? *mount_points_ : ListMountPoints());
  WalkDirectoryTree(base);
  boundaries_.clear();
  sink_.SetStatus(
      StatusBar::kStatusBar1,
      "Se han examinado " + FormatInt(static_cast<std::int64_t>(count_)) + " directorios");
}

void DirectoryTree::SaveTreeCache(std::string_view mount_point) const {
  const std::vector<std::string> files =
      DriveTreeCacheFiles(mount_point, CacheFileName(mount_point));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const bool last = i + 1 == files.size();
    try {
      // The last place is the user's own cache folder, made on first use; a
      // failure here shows up as the writer's own error just below.
      if (last) MakeDirectories(DirectoryToOpen(files[i]));
      WriteCacheFile(files[i]);
    } catch (const IoError&) {
      if (last) throw;
      continue;
    }
    // An older cache in a preferred place would be read instead.
    for (std::size_t stale = 0; stale < i; ++stale) RemoveFile(files[stale]);
    return;
  }
}

void DirectoryTree::WriteCacheFile(const std::string& path) const {
  // Written whole and flushed before it replaces the old cache, so a failure
  // or a crash never leaves a cut list.
  TextWriter writer(path, TextWriter::Mode::kAtomic);
  std::string line;
  for (const std::string& entry : entries_) {
    // A name with a line-end or Ctrl-Z byte must stay one entry when read back.
    line.clear();
    AppendLineText(line, entry);
    writer.WriteLine(line);
  }
  writer.Close();
}

void DirectoryTree::LoadTreeCache(std::string_view mount_point) {
  Clear();
  // The newest place holding one; anything there is read, so that a cache
  // that is no file is reported.
  const std::string path = CacheFilePath(mount_point);
  if (!PathExists(path)) return;
  TextReader reader(path);
  std::string line;
  while (reader.ReadLine(line)) {
    if (!IsBlank(line)) Add(line);
  }
}

std::ptrdiff_t DirectoryTree::Find(std::string_view text, std::ptrdiff_t selected,
                                   bool forward) const {
  const auto size = static_cast<std::ptrdiff_t>(keys_.size());
  const std::string upper = UpperAscii(text);
  if (size == 0 || upper.empty()) return -1;
  const std::ptrdiff_t start = selected <= 0 ? 0 : selected >= size ? size - 1 : selected;
  std::ptrdiff_t i = start;
  do {
    if (forward) {
      i = i + 1 == size ? 0 : i + 1;
    } else {
      i = i == 0 ? size - 1 : i - 1;
    }
    if (Occurs(upper, keys_[static_cast<std::size_t>(i)])) return i;
  } while (i != start);
  return -1;
}

std::ptrdiff_t DirectoryTree::FindNextMatch(std::string_view text, std::ptrdiff_t selected) const {
  return Find(text, selected, true);
}

std::ptrdiff_t DirectoryTree::FindPreviousMatch(std::string_view text,
                                                std::ptrdiff_t selected) const {
  return Find(text, selected, false);
}

}  // namespace zuruza
