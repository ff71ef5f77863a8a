#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/entry_stat_posix.h"
#include "platform/fs.h"

namespace zuruza {
namespace {

using internal::FillFromStatx;
using internal::kStatFlags;
using internal::kStatMask;

// A directory's entries read straight from the kernel, a buffer at a time:
// no stat of the directory and no query of its flags, as a stdio-like
// directory stream makes on every open.
class DirectoryStream {
 public:
  explicit DirectoryStream(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), error_(fd_ < 0 ? errno : 0) {}
  ~DirectoryStream() {
    if (fd_ >= 0) close(fd_);
  }
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;

  int fd() const { return fd_; }
  // The errno of a failed open or read; 0 while all is well.
  int error() const { return error_; }

  // The next entry; none at the end or on a failure.
  const struct dirent64* Next() {
    if (fd_ < 0) return nullptr;
    if (position_ >= filled_) {
      const ssize_t read = getdents64(fd_, buffer_, sizeof buffer_);
      if (read <= 0) {
        if (read < 0) error_ = errno;
        return nullptr;
      }
      filled_ = static_cast<std::size_t>(read);
      position_ = 0;
    }
    const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_ + position_);
    position_ += entry->d_reclen;
    return entry;
  }

 private:
  int fd_;
  int error_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  alignas(struct dirent64) char buffer_[32 * 1024];
};

// Compares raw bytes as unsigned values, whatever the signedness of char.
bool NameLess(const DirEntry& a, const DirEntry& b) { return ListingNameLess(a.name, b.name); }

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Assigns into an existing slot where there is one, so that repeated listings
// reuse both the vector and the names' buffers.
DirEntry& NextSlot(std::vector<DirEntry>& entries, std::size_t index) {
  if (index < entries.size()) return entries[index];
  return entries.emplace_back();
}

// The dot entries stand for directories even when they cannot be stat'ed.
void MakeDotEntry(DirEntry& entry, bool detailed) {
  entry.kind = EntryKind::kDirectory;
  entry.size = 0;
  if (!detailed) entry.write_time = entry.access_time = entry.creation_time = 0;
  entry.detailed = detailed;
}

void FillDotEntry(int dir_fd, DirEntry& entry) {
  struct statx info;
  const bool is_self = entry.name.size() == 1;
  const int result = is_self ? statx(dir_fd, "", kStatFlags | AT_EMPTY_PATH, kStatMask, &info)
                             : statx(dir_fd, "..", kStatFlags, kStatMask, &info);
  if (result == 0) FillFromStatx(info, entry);
  MakeDotEntry(entry, result == 0);
  entry.detailed = true;
}

// 0, or the errno of the stat.
int StatAt(int dir_fd, DirEntry& entry) {
  struct statx info;
  if (statx(dir_fd, entry.name.c_str(), kStatFlags, kStatMask, &info) != 0) return errno;
  FillFromStatx(info, entry);
  return 0;
}

// The kind the directory read tells; false where the file system does not.
bool KindFromType(unsigned char type, EntryKind& kind) {
  switch (type) {
    case DT_UNKNOWN:
      return false;
    case DT_REG:
      kind = EntryKind::kFile;
      return true;
    case DT_DIR:
      kind = EntryKind::kDirectory;
      return true;
    case DT_LNK:
      kind = EntryKind::kSymlink;
      return true;
    default:
      kind = EntryKind::kOther;
      return true;
  }
}

// Notes a failed stat: a vanished entry no longer exists, nothing was missed.
void NoteFailure(ListingTrouble* trouble, const std::string& name, int error) {
  if (trouble != nullptr && error != ENOENT) trouble->unreadable.emplace_back(name, error);
}

// Stats every entry from `begin` on, dropping those whose stat fails by
// compacting the survivors forward; returns the new count.
std::size_t StatEvery(int dir_fd, std::vector<DirEntry>& entries, std::size_t begin,
                      std::size_t count, ListingTrouble* trouble) {
  std::size_t kept = begin;
  for (std::size_t i = begin; i < count; ++i) {
    if (const int error = StatAt(dir_fd, entries[i]); error != 0) {
      NoteFailure(trouble, entries[i].name, error);
      continue;
    }
    if (kept != i) std::swap(entries[kept], entries[i]);
    ++kept;
  }
  return kept;
}

// Stats what `detail` asks for, and the first entry unless it asks for no
// stat at all: in a directory that cannot be searched every stat fails, and
// then the listing must name each entry as a full one does. Returns false when a stat failed
// for another reason than a vanished entry. `count` becomes the new count.
bool StatSome(int dir_fd, std::vector<DirEntry>& entries, std::size_t& count, EntryDetail detail) {
  std::size_t kept = 2;
  for (std::size_t i = 2; i < count; ++i) {
    DirEntry& entry = entries[i];
    const bool wanted = (i == 2 && detail != EntryDetail::kDirectories) ||
                        (detail == EntryDetail::kFiles && !entry.IsDirectory());
    if (wanted && !entry.detailed) {
      const int error = StatAt(dir_fd, entry);
      if (error != 0 && error != ENOENT) {
        // Back to a full listing: the entries not yet seen follow the kept ones.
        if (kept != i)
          std::move(entries.begin() + static_cast<std::ptrdiff_t>(i),
                    entries.begin() + static_cast<std::ptrdiff_t>(count),
                    entries.begin() + static_cast<std::ptrdiff_t>(kept));
        count = kept + (count - i);
        return false;
      }
      if (error == ENOENT) continue;
    }
    if (kept != i) std::swap(entries[kept], entries[i]);
    ++kept;
  }
  count = kept;
  return true;
}

}  // namespace

bool ListingNameLess(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  const int order = std::memcmp(a.data(), b.data(), common);
  return order != 0 ? order < 0 : a.size() < b.size();
}

int DirectoryAccessError(const std::string& dir_path) {
  if (dir_path.empty()) return ENOENT;
  const int fd = open(dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

bool ListDirectory(const std::string& dir_path, std::vector<DirEntry>& entries,
                   ListingTrouble* trouble, EntryDetail detail) {
  if (trouble != nullptr) {
    trouble->error = 0;
    trouble->unreadable.clear();
  }
  auto fail = [&](int error) {
    if (trouble != nullptr) trouble->error = error;
    entries.clear();
    return false;
  };
  DirectoryStream stream(dir_path);
  if (stream.error() != 0) return fail(stream.error());
  const int dir_fd = stream.fd();

  NextSlot(entries, 0).name.assign(".");
  NextSlot(entries, 1).name.assign("..");
  std::size_t count = 2;
  bool every = detail == EntryDetail::kEvery;
  const bool only_directories = detail == EntryDetail::kDirectories;
  while (const struct dirent64* item = stream.Next()) {
    if (IsDotOrDotDot(item->d_name)) continue;
    // Known not to be a directory: not even its name is kept.
    if (only_directories && item->d_type != DT_DIR && item->d_type != DT_UNKNOWN) continue;
    DirEntry& entry = NextSlot(entries, count);
    entry.name.assign(item->d_name);
    entry.detailed = false;
    entry.size = 0;
    entry.write_time = entry.access_time = entry.creation_time = 0;
    if (!every && !KindFromType(item->d_type, entry.kind)) {
      // The file system keeps no kinds in its directories: a stat tells.
      if (const int error = StatAt(dir_fd, entry); error != 0) {
        NoteFailure(trouble, entry.name, error);
        if (error != ENOENT && !only_directories) every = true;
        continue;
      }
    }
    if (only_directories && !entry.IsDirectory()) continue;
    ++count;
  }
  if (stream.error() != 0) return fail(stream.error());
  entries.resize(count);
  std::sort(entries.begin() + 2, entries.end(), NameLess);

  if (!every && StatSome(dir_fd, entries, count, detail)) {
    MakeDotEntry(entries[0], false);
    MakeDotEntry(entries[1], false);
    entries.resize(count);
    return true;
  }
  FillDotEntry(dir_fd, entries[0]);
  FillDotEntry(dir_fd, entries[1]);
  entries.resize(StatEvery(dir_fd, entries, 2, count, trouble));
  return true;
}

int FillEntryDetails(const std::string& dir_path, DirEntry& entry) {
  std::string path = WithTrailingSep(dir_path);
  const bool dot = IsDotOrDotDot(entry.name.c_str());
  if (entry.name != ".") path += entry.name;
  struct statx info;
  if (statx(AT_FDCWD, path.c_str(), kStatFlags, kStatMask, &info) != 0) {
    if (!dot) return errno;
    MakeDotEntry(entry, false);
    entry.detailed = true;
    return 0;
  }
  FillFromStatx(info, entry);
  if (dot) MakeDotEntry(entry, true);
  return 0;
}

}  // namespace zuruza
