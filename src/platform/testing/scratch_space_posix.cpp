#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/testing/scratch_space.h"

namespace zuruza::testing {

namespace {

bool WriteTo(const char* path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

std::string MakeScratchDirectory(const std::string& prefix) {
  std::string pattern = prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
  return pattern;
}

bool MountScratchTmpfs(const std::string& dir, std::uint64_t bytes) {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWNS) != 0) {
    // An unprivileged user may still own a user namespace.
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteTo("/proc/self/setgroups", "deny") ||
        !WriteTo("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteTo("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
      return false;
  }
  const std::string options = "size=" + std::to_string(bytes);
  return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

}  // namespace zuruza::testing
