// The file system as the tools see it. POSIX backend in fs_posix.cpp, Win32
// backend in fs_win.cpp; no OS header leaks through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zuruza {

// The path separator wherever a path is built or cut.
#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

enum class EntryKind { kFile, kDirectory, kSymlink, kOther };

// Nanoseconds since 1970-01-01 UTC.
using UnixNanos = std::int64_t;

struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::kFile;
  // Full 64-bit byte count; 0 for directories.
  std::uint64_t size = 0;
  UnixNanos write_time = 0;
  UnixNanos access_time = 0;
  // Birth time where the file system records it, else the write time.
  UnixNanos creation_time = 0;
  // False while only the name and kind are known (a listing that left the
  // stat out); FillEntryDetails reads the rest.
  bool detailed = true;
  bool IsDirectory() const { return kind == EntryKind::kDirectory; }
};

// How much of each entry a listing reads. The kinds come from the directory
// read itself where the file system gives them (else from a stat); a stat per
// entry is what a walk pays most for, so a walk asks only for what it uses.
enum class EntryDetail {
  kEvery,  // every entry stat'ed: sizes and times of all
  kFiles,  // every entry but the directories (and "." and "..") stat'ed
  kKinds,  // names and kinds; a tool stats the entries it keeps
  // Only "." and ".." and the subdirectories (never links), by name, with no
  // stat at all where the file system gives kinds: entries a stat could not
  // read go unnoticed (for walks that name none).
  kDirectories,
};

// Why a listing fell short, for walks that tell the person what they could
// not read: the errno of the directory itself (0 when it was read), and the
// entries whose stat failed for another reason than having vanished.
struct ListingTrouble {
  int error = 0;
  std::vector<std::pair<std::string, int>> unreadable;  // name, errno
};

// Whether name `a` comes before name `b` in a listing: byte order; on
// Windows the order NTFS keeps (case-insensitive, ties in byte order).
bool ListingNameLess(std::string_view a, std::string_view b);

// Lists a directory: "." and ".." first, then every entry (dot files too) in
// listing order of names (ListingNameLess), so that reports are the same on
// every run. Links are
// reported as links (never as directories); an entry that vanishes between
// the listing and its stat is left out, silently, and so is an entry whose
// stat fails otherwise (it is named in `trouble` when given). Returns false
// when the directory cannot be enumerated (missing, unreadable, not a
// directory, a path too long); `entries` is then empty. Blocking; one
// enumeration per call.
// With less than every detail, entries left without a stat may be ones a stat
// would drop (vanished since); a directory where a stat fails for another
// reason (one that cannot be searched) is stat'ed in full, so that every
// entry that cannot be read is named as with kEvery.
bool ListDirectory(const std::string& dir_path, std::vector<DirEntry>& entries,
                   ListingTrouble* trouble = nullptr, EntryDetail detail = EntryDetail::kEvery);

// Reads the size and times of an entry a listing of `dir_path` left without
// them. 0, or the errno of the failed stat (the entry is then unchanged);
// "." and ".." never fail: they stay directories, with no times when their
// stat fails, as in a full listing.
int FillEntryDetails(const std::string& dir_path, DirEntry& entry);

// 0 when the directory opens for listing, else the errno that stops it.
int DirectoryAccessError(const std::string& dir_path);

// The entry data of one path, without following a final link.
std::optional<DirEntry> StatPath(const std::string& path);

bool IsExistingFile(const std::string& path);       // a regular file (links followed)
bool IsExistingDirectory(const std::string& path);  // a directory (links followed)
bool PathExists(const std::string& path);           // anything, links not followed

// True when both paths name one existing file (device and inode), whatever
// their spelling: a hard link or a symbolic link to a file is that file.
bool IsSameFile(const std::string& a, const std::string& b);

// Sets a regular file's last-write time, leaving its access time alone. The
// file must open for reading and writing (a directory, link, read-only or
// special file fails). Returns false on failure; nothing is changed then.
bool SetWriteTime(const std::string& path, UnixNanos write_time);

// Appends the separator when the path does not end with one.
std::string WithTrailingSep(std::string_view path);

// The current working directory, with a trailing separator.
std::string CurrentDirectory();

}  // namespace zuruza
