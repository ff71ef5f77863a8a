#include <windows.h>

#include <stdexcept>

#include "platform/testing/identity.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

// The tests that need the superuser work on POSIX-only places (/root,
// devices, other users' ids), none of which exist here.
bool IsSuperuser() { return false; }

bool DropToNobody() { return false; }

bool UserMay(const std::string& path, unsigned wanted) {
  const std::wstring wide = internal::WidePath(path);
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // Opened with just the rights asked for, the link followed: the system
  // checks them against this user as it would for a real open.
  DWORD access = FILE_READ_ATTRIBUTES;
  if (wanted & kMayRead) access |= FILE_READ_DATA;    // FILE_LIST_DIRECTORY
  if (wanted & kMayWrite) access |= FILE_WRITE_DATA;  // FILE_ADD_FILE
  if (wanted & kMayEnter) access |= FILE_TRAVERSE;    // FILE_EXECUTE
  const HANDLE file =
      CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!known) return false;
  // The read-only attribute forbids writing a file, whoever asks; a
  // directory ignores it.
  const bool read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return !((wanted & kMayWrite) && read_only);
}

Ownership OwnershipOf(const std::string&) {
  throw std::runtime_error("no POSIX owners on Windows");
}

void SetOwnership(const std::string&, Ownership) {
  throw std::runtime_error("no POSIX owners on Windows");
}

// Windows keeps no password entry; the profile folder is its home.
std::optional<std::string> PasswordHomeDirectory() {
  const DWORD needed = GetEnvironmentVariableW(L"USERPROFILE", nullptr, 0);
  if (needed <= 1) return std::nullopt;
  std::wstring home(needed, L'\0');
  const DWORD written = GetEnvironmentVariableW(L"USERPROFILE", home.data(), needed);
  if (written == 0 || written >= needed) return std::nullopt;
  home.resize(written);
  return internal::Utf8(home);
}

}  // namespace zuruza::testing
