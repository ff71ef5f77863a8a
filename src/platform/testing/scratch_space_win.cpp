#include <windows.h>

#include <random>
#include <stdexcept>

#include "platform/testing/scratch_space.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

std::string MakeScratchDirectory(const std::string& prefix) {
  // Lower case only: names that differ in case alone are one name here.
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ GetTickCount64() ^
                         GetCurrentProcessId());
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
  // The folder inherits the permissions of the folder it is made in: the
  // temporary folder of a profile is its user's alone.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = prefix;
    for (int i = 0; i < 6; ++i) path += kChars[pick(random)];
    if (CreateDirectoryW(internal::WidePath(path).c_str(), nullptr)) return path;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
      throw std::runtime_error("CreateDirectoryW " + path + ": Win32 error " +
                               std::to_string(error));
  }
  throw std::runtime_error("CreateDirectoryW " + prefix + "XXXXXX: every name taken");
}

// No mount namespaces, and no tmpfs to mount.
bool MountScratchTmpfs(const std::string&, std::uint64_t) { return false; }

}  // namespace zuruza::testing
