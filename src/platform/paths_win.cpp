#include <string_view>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/win_internal.h"

namespace zuruza {
namespace {

using internal::Utf8;

std::string EnvOrEmpty(const wchar_t* name) {
  const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  const DWORD written = GetEnvironmentVariableW(name, value.data(), needed);
  if (written == 0 || written >= needed) return {};
  value.resize(written);
  return Utf8(value);
}

// The system drive's root, where the program's own default files go as it
// always kept them there.
constexpr std::string_view kDefaultFolder = "c:\\";

}  // namespace

std::string HomeDirectory() {
  const std::string profile = EnvOrEmpty(L"USERPROFILE");
  return profile.empty() ? std::string(kDefaultFolder) : WithTrailingSep(profile);
}

std::string DataDirectory() { return ProgramDirectory(); }

std::string CacheDirectory() {
  const std::string local = EnvOrEmpty(L"LOCALAPPDATA");
  const std::string base =
      local.empty() ? HomeDirectory() + "AppData\\Local\\" : WithTrailingSep(local);
  return base + "zuruza\\";
}

std::string TempDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::string(kDefaultFolder);
  return WithTrailingSep(Utf8(std::wstring_view(buffer, length)));
}

std::string ProgramDirectory() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return CurrentDirectory();
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(name.size() * 2);
  }
  const std::string path = Utf8(name);
  const std::size_t sep = path.rfind(kPathSep);
  return sep == std::string::npos ? CurrentDirectory() : path.substr(0, sep + 1);
}

std::string DefaultReportPath(const std::string& file_name) {
  return std::string(kDefaultFolder) + file_name;
}

std::string DefaultUsersFolder() { return "c:\\users"; }
std::string DefaultSecondUsersFolder() { return "d:\\users"; }
std::string DefaultDriveFolder() { return "c:"; }

std::vector<std::string> ResultsFolders() {
  return {std::string(kDefaultFolder), std::string(kDefaultFolder) + "zelq\\"};
}

std::vector<std::string> DriveTreeCacheFiles(std::string_view mount_point,
                                             std::string_view user_file_name) {
  std::vector<std::string> files;
  // The drive's own file first: the program always kept it there, and a
  // drive's tree goes with the drive.
  if (!mount_point.empty()) files.push_back(WithTrailingSep(mount_point) + "vcd.dat");
  files.push_back(CacheDirectory() + "vcd\\" + std::string(user_file_name));
  return files;
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  // The drive ("c:") or the share ("\\server\share") at the start is no
  // folder to create.
  std::size_t first = 1;
  if (path.size() >= 2 && path[1] == ':') {
    first = 3;
  } else if (path.starts_with("\\\\")) {
    const std::size_t server_end = path.find(kPathSep, 2);
    const std::size_t share_end =
        server_end == std::string::npos ? std::string::npos : path.find(kPathSep, server_end + 1);
    if (share_end == std::string::npos) return IsExistingDirectory(path);
    first = share_end + 1;
  }
  for (std::size_t i = first; i < path.size(); ++i) {
    if ((path[i] != kPathSep && path[i] != '/') || path[i - 1] == kPathSep || path[i - 1] == '/')
      continue;
    const std::string parent = path.substr(0, i);
    if (!CreateDirectoryW(internal::WidePath(parent).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS && !IsExistingDirectory(parent))
      return false;
  }
  if (!CreateDirectoryW(internal::WidePath(path).c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  return IsExistingDirectory(path);
}

}  // namespace zuruza
