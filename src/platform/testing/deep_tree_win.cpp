#include <windows.h>

#include "platform/testing/deep_tree.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

namespace {

using internal::WidePath;

// The absolute form of `path`, so that WidePath can give its deep
// descendants the "\\?\" prefix.
std::string Absolute(const std::string& path) {
  const std::wstring wide = internal::Wide(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return path;
  full.resize(written);
  // "C:\dir\" would give names below it a doubled separator.
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return internal::Utf8(full);
}

bool RemoveEntry(const std::string& path, bool directory) {
  const std::wstring wide = WidePath(path);
  if (directory ? RemoveDirectoryW(wide.c_str()) : DeleteFileW(wide.c_str())) return true;
  // A read-only entry cannot be removed until the attribute is gone.
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  return directory ? RemoveDirectoryW(wide.c_str()) : DeleteFileW(wide.c_str());
}

// Removes everything below the directory `path`.
void RemoveBelow(const std::string& path) {
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW(WidePath(path + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string child = path + "\\" + internal::Utf8(name);
    const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A link to a directory goes by itself; what it points to stays.
    if (directory && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
      RemoveBelow(child);
    RemoveEntry(child, directory);
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

bool MakeDeepChain(const std::string& parent, int levels) {
  const std::string name(200, 'd');
  std::string path = Absolute(parent);
  for (int i = 0; i < levels; ++i) {
    path += "\\" + name;
    if (!CreateDirectoryW(WidePath(path).c_str(), nullptr)) return false;
  }
  const HANDLE file = CreateFileW(WidePath(path + "\\fondo.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

void RemoveDeep(const std::string& path) {
  const std::string absolute = Absolute(path);
  const DWORD attributes = GetFileAttributesW(WidePath(absolute).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) RemoveBelow(absolute);
  RemoveEntry(absolute, true);
}

}  // namespace zuruza::testing
