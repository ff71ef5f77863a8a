#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "platform/fs.h"
#include "platform/win_internal.h"

namespace zuruza {
namespace {

using internal::KindFromAttributes;
using internal::UnixFromFileTime;
using internal::WidePath;

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Assigns into an existing slot where there is one, so that repeated listings
// reuse both the vector and the names' buffers.
DirEntry& NextSlot(std::vector<DirEntry>& entries, std::size_t index) {
  if (index < entries.size()) return entries[index];
  return entries.emplace_back();
}

// The find data holds all an entry needs: no entry is opened or stat'ed.
void FillFromFindData(const WIN32_FIND_DATAW& data, DirEntry& entry) {
  // The reparse tag is only meaningful on a reparse point.
  entry.kind = KindFromAttributes(data.dwFileAttributes, data.dwReserved0);
  entry.size = entry.kind == EntryKind::kDirectory
                   ? 0
                   : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.write_time = UnixFromFileTime(data.ftLastWriteTime);
  entry.access_time = UnixFromFileTime(data.ftLastAccessTime);
  // FAT volumes that keep no creation time report zero.
  const FILETIME& created = data.ftCreationTime;
  entry.creation_time = created.dwLowDateTime == 0 && created.dwHighDateTime == 0
                            ? entry.write_time
                            : UnixFromFileTime(created);
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

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Starts a search of every name in `dir_path`; 0 or the errno. On success
// `handle` may be INVALID_HANDLE_VALUE: a root without a single entry.
int StartSearch(const std::string& dir_path, WIN32_FIND_DATAW& data, HANDLE& handle) {
  handle = INVALID_HANDLE_VALUE;
  if (dir_path.empty()) return ENOENT;
  const std::wstring pattern = WidePath(WithTrailingSep(dir_path) + '*');
  handle = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
  if (handle != INVALID_HANDLE_VALUE) return 0;
  const DWORD error = GetLastError();
  // Only a root lacks "." and "..", so only a root can have nothing to find.
  if (error == ERROR_FILE_NOT_FOUND && IsDirectory(dir_path)) return 0;
  const int errno_value = internal::ErrnoFromWin32(error);
  if (errno_value == ENOENT && IsNonDirectory(dir_path)) return ENOTDIR;
  return errno_value;
}

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
  WIN32_FIND_DATAW data;
  HANDLE handle;
  const int error = StartSearch(dir_path, data, handle);
  if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  return error;
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
  WIN32_FIND_DATAW data;
  HANDLE handle;
  if (const int error = StartSearch(dir_path, data, handle); error != 0) return fail(error);

  NextSlot(entries, 0).name.assign(".");
  NextSlot(entries, 1).name.assign("..");
  std::size_t count = 2;
  const bool only_directories = detail == EntryDetail::kDirectories;
  WideNames wide;
  int error = 0;
  if (handle != INVALID_HANDLE_VALUE) {
    do {
      if (IsDotOrDotDot(data.cFileName)) continue;
      DirEntry& entry = NextSlot(entries, count);
      FillFromFindData(data, entry);
      if (only_directories && !entry.IsDirectory()) continue;
      const std::size_t length = std::wcslen(data.cFileName);
      wide.Add(data.cFileName, length);
      AssignUtf8(std::wstring_view(data.cFileName, length), entry.name);
      ++count;
    } while (FindNextFileW(handle, &data));
    if (const DWORD last = GetLastError(); last != ERROR_NO_MORE_FILES)
      error = internal::ErrnoFromWin32(last);
    FindClose(handle);
  }
  if (error != 0) return fail(error);
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
