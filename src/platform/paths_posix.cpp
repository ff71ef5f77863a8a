#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/paths.h"

namespace zuruza {
namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// The XDG rules ignore relative values: they would depend on the working
// directory.
std::string XdgDirectory(const char* variable, const char* fallback_under_home) {
  const std::string value = EnvOrEmpty(variable);
  const std::string base = !value.empty() && value[0] == kPathSep
                               ? WithTrailingSep(value)
                               : HomeDirectory() + fallback_under_home;
  return base + "zuruza/";
}

std::string PasswordHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  return found != nullptr && found->pw_dir != nullptr ? std::string(found->pw_dir) : std::string();
}

}  // namespace

std::string HomeDirectory() {
  std::string home = EnvOrEmpty("HOME");
  if (home.empty()) home = PasswordHome();
  return home.empty() ? std::string(1, kPathSep) : WithTrailingSep(home);
}

std::string DataDirectory() { return XdgDirectory("XDG_DATA_HOME", ".local/share/"); }

std::string CacheDirectory() { return XdgDirectory("XDG_CACHE_HOME", ".cache/"); }

std::string TempDirectory() {
  const std::string value = EnvOrEmpty("TMPDIR");
  return WithTrailingSep(value.empty() ? std::string("/tmp") : value);
}

// Falls back to the working directory where /proc is not mounted.
std::string ProgramDirectory() {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return CurrentDirectory();
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    target.resize(target.size() * 2);
  }
  const std::size_t slash = target.rfind(kPathSep);
  if (slash == std::string::npos) return CurrentDirectory();
  return target.substr(0, slash + 1);
}

std::string DefaultReportPath(const std::string& file_name) { return HomeDirectory() + file_name; }

std::string DefaultUsersFolder() { return "/home"; }
std::string DefaultSecondUsersFolder() { return "/backup/home"; }
std::string DefaultDriveFolder() { return "/"; }

std::vector<std::string> ResultsFolders() {
  return {HomeDirectory(), TempDirectory() + "zelq" + kPathSep};
}

std::vector<std::string> DriveTreeCacheFiles(std::string_view, std::string_view user_file_name) {
  return {CacheDirectory() + "vcd" + kPathSep + std::string(user_file_name)};
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  // Each prefix ending before a separator is a parent. Some systems report
  // another error than EEXIST for an existing one, hence the second look.
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (path[i] != kPathSep || path[i - 1] == kPathSep) continue;
    const std::string parent = path.substr(0, i);
    if (mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST && !IsExistingDirectory(parent))
      return false;
  }
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return IsExistingDirectory(path);
}

}  // namespace zuruza
