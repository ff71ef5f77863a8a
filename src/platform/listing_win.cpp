#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/win_internal.h"

namespace zuruza {
namespace {

using internal::KindFromAttributes;
using internal::UnixFromFileTime;
using internal::WidePath;

bool IsDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

// Assigns into an existing slot where there is one, so that repeated listings
// reuse both the vector and the names' buffers.
DirEntry& NextSlot(std::vector<DirEntry>& entries, std::size_t index) {
  if (index < entries.size()) return entries[index];
  return entries.emplace_back();
}

FILETIME FileTimeOf(const LARGE_INTEGER& time) {
  return FILETIME{time.LowPart, static_cast<DWORD>(time.HighPart)};
}

// The directory record holds all an entry needs: no entry is opened or
// stat'ed.
void FillFromRecord(const FILE_FULL_DIR_INFO& record, DirEntry& entry) {
  // The record's EA size holds the reparse tag of a reparse point.
  const DWORD tag = (record.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? record.EaSize : 0;
  entry.kind = KindFromAttributes(record.FileAttributes, tag);
  entry.size = entry.kind == EntryKind::kDirectory
                   ? 0
                   : static_cast<std::uint64_t>(record.EndOfFile.QuadPart);
  entry.write_time = UnixFromFileTime(FileTimeOf(record.LastWriteTime));
  entry.access_time = UnixFromFileTime(FileTimeOf(record.LastAccessTime));
  // FAT volumes that keep no creation time report zero.
  entry.creation_time = record.CreationTime.QuadPart == 0
                            ? entry.write_time
                            : UnixFromFileTime(FileTimeOf(record.CreationTime));
  entry.detailed = true;
}

// True when `path` (trailing separators aside) exists as something other
// than a directory: a search in it fails as "no such path", but POSIX tells
// ENOTDIR.
bool IsNonDirectory(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The records of a directory, read in batches through a handle of its own
// that shares deletion: a folder being listed can still be removed or
// renamed, as on POSIX (a find handle refuses both until it is closed).
class DirectoryRead {
 public:
  DirectoryRead() = default;
  ~DirectoryRead() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  DirectoryRead(const DirectoryRead&) = delete;
  DirectoryRead& operator=(const DirectoryRead&) = delete;

  // 0 or the errno.
  int Open(const std::string& dir_path) {
    if (dir_path.empty()) return ENOENT;
    handle_ = CreateFileW(WidePath(dir_path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
      const int error = internal::LastErrno();
      return error == ENOENT && IsNonDirectory(dir_path) ? ENOTDIR : error;
    }
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic, sizeof basic))
      return internal::LastErrno();
    return (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ENOTDIR;
  }

  // The next record; null at the end or on a failure (error() tells).
  const FILE_FULL_DIR_INFO* Next() {
    if (current_ != nullptr && current_->NextEntryOffset != 0) {
      current_ = reinterpret_cast<const FILE_FULL_DIR_INFO*>(
          reinterpret_cast<const char*>(current_) + current_->NextEntryOffset);
      return current_;
    }
    if (buffer_.empty()) buffer_.resize(kBufferBytes / sizeof(std::uint64_t));
    current_ = nullptr;
    if (!GetFileInformationByHandleEx(handle_, FileFullDirectoryInfo, buffer_.data(),
                                      kBufferBytes)) {
      // A root without a single entry has nothing to find at all.
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND)
        error_ = internal::ErrnoFromWin32(error);
      return nullptr;
    }
    current_ = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer_.data());
    return current_;
  }

  int error() const { return error_; }

 private:
  static constexpr DWORD kBufferBytes = 64 * 1024;

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::vector<std::uint64_t> buffer_;  // aligned as the records need
  const FILE_FULL_DIR_INFO* current_ = nullptr;
  int error_ = 0;
};

// The names as found, one after another, for the sort to compare as wide
// strings without a conversion per comparison.
class WideNames {
 public:
  void Add(const wchar_t* name, std::size_t length) {
    chars_.append(name, length);
    ends_.push_back(chars_.size());
  }
  std::size_t size() const { return ends_.size(); }
  std::wstring_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::wstring_view(chars_).substr(begin, ends_[i] - begin);
  }

 private:
  std::wstring chars_;
  std::vector<std::size_t> ends_;
};

// The order NTFS keeps its names in: case-insensitive, by code unit. Sorted
// here all the same, because other file systems (FAT, network shares, Wine
// over a Linux one) give theirs unsorted. Names alike but for case (a
// case-sensitive folder) follow their bytes, so every run agrees.
class NameOrder {
 public:
  NameOrder(const std::vector<DirEntry>& entries, const WideNames& wide)
      : entries_(entries), wide_(wide) {}

  bool operator()(std::size_t a, std::size_t b) const {
    const std::wstring_view x = wide_[a];
    const std::wstring_view y = wide_[b];
    const int order = CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                           static_cast<int>(y.size()), TRUE);
    if (order != CSTR_EQUAL) return order == CSTR_LESS_THAN;
    const std::string& p = entries_[a + 2].name;
    const std::string& q = entries_[b + 2].name;
    const std::size_t common = std::min(p.size(), q.size());
    const int bytes = std::memcmp(p.data(), q.data(), common);
    return bytes != 0 ? bytes < 0 : p.size() < q.size();
  }

 private:
  const std::vector<DirEntry>& entries_;
  const WideNames& wide_;
};

}  // namespace

bool ListingNameLess(std::string_view a, std::string_view b) {
  const std::wstring x = internal::Wide(a);
  const std::wstring y = internal::Wide(b);
  const int order = CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                         static_cast<int>(y.size()), TRUE);
  if (order != CSTR_EQUAL) return order == CSTR_LESS_THAN;
  const std::size_t common = std::min(a.size(), b.size());
  const int bytes = std::memcmp(a.data(), b.data(), common);
  return bytes != 0 ? bytes < 0 : a.size() < b.size();
}

namespace {

// Puts entries[2..] in name order; `wide` holds their names as found.
void SortEntries(std::vector<DirEntry>& entries, const WideNames& wide) {
  std::vector<std::size_t> order(wide.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const NameOrder less(entries, wide);
  // NTFS hands them over in this order already.
  if (std::is_sorted(order.begin(), order.end(), less)) return;
  std::sort(order.begin(), order.end(), less);
  std::vector<DirEntry> sorted;
  sorted.reserve(order.size());
  for (const std::size_t index : order) sorted.push_back(std::move(entries[index + 2]));
  std::move(sorted.begin(), sorted.end(), entries.begin() + 2);
}

// Converts into the entry's own buffer, kept from listing to listing; bad
// UTF-16 turns to U+FFFD as in internal::Utf8.
void AssignUtf8(std::wstring_view wide, std::string& into) {
  const int length = static_cast<int>(wide.size());
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  into.resize(static_cast<std::size_t>(count));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, into.data(), count, nullptr, nullptr);
}

}  // namespace

int DirectoryAccessError(const std::string& dir_path) {
  DirectoryRead read;
  return read.Open(dir_path);
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
  DirectoryRead read;
  if (const int error = read.Open(dir_path); error != 0) return fail(error);

  NextSlot(entries, 0).name.assign(".");
  NextSlot(entries, 1).name.assign("..");
  std::size_t count = 2;
  const bool only_directories = detail == EntryDetail::kDirectories;
  WideNames wide;
  while (const FILE_FULL_DIR_INFO* record = read.Next()) {
    const std::wstring_view name(record->FileName, record->FileNameLength / sizeof(wchar_t));
    if (IsDotOrDotDot(name)) continue;
    DirEntry& entry = NextSlot(entries, count);
    FillFromRecord(*record, entry);
    if (only_directories && !entry.IsDirectory()) continue;
    wide.Add(name.data(), name.size());
    AssignUtf8(name, entry.name);
    ++count;
  }
  if (read.error() != 0) return fail(read.error());
  entries.resize(count);
  SortEntries(entries, wide);
  // A root gives no dot entries and a FAT folder stale ones: both are read
  // from the directories they stand for, and only for a full listing (a walk
  // asking for less reads them when it needs them).
  for (std::size_t i = 0; i < 2; ++i) {
    DirEntry& dot = entries[i];
    if (detail == EntryDetail::kEvery) {
      FillEntryDetails(dir_path, dot);
      continue;
    }
    dot.kind = EntryKind::kDirectory;
    dot.size = 0;
    dot.write_time = dot.access_time = dot.creation_time = 0;
    dot.detailed = false;
  }
  return true;
}

}  // namespace zuruza
