#include <vector>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win_internal.h"

namespace zuruza {

using internal::Utf8;
using internal::Wide;
using internal::WidePath;

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where the last name begins: past the last separator, or past the colon of
// a drive ("C:x" is x in the current directory of drive C).
std::size_t NameStart(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  if (sep != std::string_view::npos) return sep + 1;
  if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) return 2;
  return 0;
}

// The length of the root of a full path: "C:\", "\\server\share\", or ""
// when the path has none of these forms.
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && IsSep(path[2])) return 3;
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
    const std::size_t server_end = path.find_first_of("\\/", 2);
    if (server_end == std::string::npos) return path.size();
    const std::size_t share_end = path.find_first_of("\\/", server_end + 1);
    return share_end == std::string::npos ? path.size() : share_end + 1;
  }
  return path.size() >= 1 && IsSep(path[0]) ? 1 : 0;
}

// The form a path is shown in, without the "\\?\" prefix the system puts
// on final paths: "\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is
// "\\server\share". A volume named by its GUID keeps the prefix it needs.
std::string WithoutLongPrefix(std::wstring_view path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + Utf8(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() >= 6 && path[5] == L':')
    return Utf8(path.substr(4));
  return Utf8(path);
}

// The full path of `path` by name alone: current directory, "." and ".."
// (resolved by name, as the system does), "/" turned to "\".
std::string FullPathOf(const std::string& path) {
  const std::wstring wide = Wide(path.empty() ? "." : path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return WithoutLongPrefix(full);
    }
    full.resize(length);  // the size needed, terminator included
  }
}

// The final path of an existing `path`, every link in it followed; false
// when it does not open.
bool FinalPathOf(const std::string& path, std::string& final_path) {
  const HANDLE handle = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length < buffer.size()) break;
    buffer.resize(length);  // the size needed, terminator included
  }
  CloseHandle(handle);
  // A volume without a drive letter has no such path: the name stands.
  if (length == 0) {
    final_path = path;
  } else {
    buffer.resize(length);
    final_path = WithoutLongPrefix(buffer);
  }
  return true;
}

// Compares as NTFS names do: by code unit, case ignored.
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string DirectoryToOpen(std::string_view path) {
  const std::size_t start = NameStart(path);
  if (start == 0) return ".";
  const std::string_view folder = path.substr(0, start);
  // "C:" stands for the current directory of drive C; a root keeps its
  // separator, "\" or "C:\".
  if (!IsSep(folder.back()) || start == 1 || (start == 3 && folder[1] == ':'))
    return std::string(folder);
  return std::string(folder.substr(0, start - 1));
}

std::string_view FileNameOf(std::string_view path) { return path.substr(NameStart(path)); }

std::string ResolvePath(const std::string& path) {
  const std::string full = FullPathOf(path);
  const std::size_t root_length = RootLength(full);
  std::string root = full.substr(0, root_length);
  if (!root.empty() && !IsSep(root.back())) root.push_back(kPathSep);
  // Split into names, then resolve the longest prefix that exists.
  std::vector<std::string> names;
  std::size_t start = root_length;
  while (start <= full.size()) {
    std::size_t end = full.find_first_of("\\/", start);
    if (end == std::string::npos) end = full.size();
    if (end > start) names.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  std::size_t existing = names.size();
  std::string resolved;
  for (;; --existing) {
    std::string prefix = root;
    for (std::size_t i = 0; i < existing; ++i) {
      if (i > 0) prefix += kPathSep;
      prefix += names[i];
    }
    if (FinalPathOf(prefix, resolved)) break;
    if (existing == 0) {
      resolved = root;
      break;
    }
  }
  for (std::size_t i = existing; i < names.size(); ++i) {
    if (!resolved.empty() && !IsSep(resolved.back())) resolved += kPathSep;
    resolved += names[i];
  }
  // No trailing separator but at a root.
  while (resolved.size() > RootLength(resolved) && IsSep(resolved.back())) resolved.pop_back();
  return resolved;
}

bool LiesWithin(const std::string& inner, const std::string& outer) {
  const std::wstring a = Wide(ResolvePath(inner));
  const std::wstring b = Wide(ResolvePath(outer));
  if (b.empty()) return false;
  // A root ends with its separator: all below it starts with it.
  if (b.back() == L'\\') return a.size() >= b.size() && EqualIgnoringCase(a.substr(0, b.size()), b);
  return EqualIgnoringCase(a, b) ||
         (a.size() > b.size() && a[b.size()] == L'\\' &&
          EqualIgnoringCase(std::wstring_view(a).substr(0, b.size()), b));
}

}  // namespace zuruza
