#include <windows.h>
#include <winnetwk.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/win_internal.h"

namespace zuruza {
namespace {

using internal::Utf8;

// The roots GetLogicalDriveStringsW lists ("C:\"), in letter order. When it
// fails, the drive of the system folder, so the list is never empty.
std::vector<std::wstring> DriveRoots() {
  std::vector<std::wstring> roots;
  std::wstring buffer(128, L'\0');
  DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length > buffer.size()) {
    buffer.assign(length, L'\0');
    length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (length <= buffer.size()) {
    for (const wchar_t* root = buffer.c_str(); *root != L'\0'; root += std::wcslen(root) + 1)
      roots.emplace_back(root);
  }
  if (roots.empty()) {
    wchar_t windows[MAX_PATH];
    const UINT got = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    roots.push_back(got >= 2 && got < MAX_PATH && windows[1] == L':'
                        ? std::wstring{windows[0], L':', L'\\'}
                        : std::wstring(L"C:\\"));
  }
  return roots;
}

// "C:\" without its separator.
std::string MountPointOf(const std::wstring& root) {
  std::wstring point = root;
  while (!point.empty() && point.back() == L'\\') point.pop_back();
  return Utf8(point);
}

// The volume label; empty when there is none or the drive has no medium.
// Critical errors are turned off around the call: an empty floppy or CD
// drive would otherwise ask the person to insert a disk, and block.
std::string LabelOf(const std::wstring& root) {
  DWORD previous = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
  wchar_t label[MAX_PATH + 1] = L"";
  const BOOL got = GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                                         nullptr, nullptr, 0);
  SetThreadErrorMode(previous, nullptr);
  return got ? Utf8(label) : std::string();
}

// The share a network drive is connected to ("\\server\share"), as the
// system remembers it: no server is asked.
std::string ConnectionOf(const std::string& mount_point) {
  const std::wstring local = internal::Wide(mount_point);
  std::wstring remote(MAX_PATH, L'\0');
  DWORD length = static_cast<DWORD>(remote.size());
  DWORD result = WNetGetConnectionW(local.c_str(), remote.data(), &length);
  if (result == ERROR_MORE_DATA) {
    remote.assign(length, L'\0');
    result = WNetGetConnectionW(local.c_str(), remote.data(), &length);
  }
  if (result != NO_ERROR) return {};
  remote.resize(std::wcslen(remote.c_str()));
  return Utf8(remote);
}

}  // namespace

std::vector<Drive> ListDrives() {
  std::vector<Drive> drives;
  for (const std::wstring& root : DriveRoots()) {
    Drive drive;
    drive.mount_point = MountPointOf(root);
    drive.network = GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
    // Network drives are not probed for a label: a dead server would block.
    if (drive.network) {
      drive.source = ConnectionOf(drive.mount_point);
    } else {
      drive.label = LabelOf(root);
    }
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::vector<std::string> ListMountPoints() {
  std::vector<std::string> points;
  for (const std::wstring& root : DriveRoots()) points.push_back(MountPointOf(root));
  return points;
}

}  // namespace zuruza
