#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/testing/identity.h"

namespace zuruza::testing {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

bool IsSuperuser() { return geteuid() == 0; }

bool DropToNobody() {
  return setgroups(0, nullptr) == 0 && setresgid(kNobodyId, kNobodyId, kNobodyId) == 0 &&
         setresuid(kNobodyId, kNobodyId, kNobodyId) == 0 && geteuid() != 0;
}

bool UserMay(const std::string& path, unsigned wanted) {
  int mode = F_OK;
  if (wanted & kMayRead) mode |= R_OK;
  if (wanted & kMayWrite) mode |= W_OK;
  if (wanted & kMayEnter) mode |= X_OK;
  return access(path.c_str(), mode) == 0;
}

Ownership OwnershipOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) Fail("stat", path);
  return {info.st_uid, info.st_gid};
}

void SetOwnership(const std::string& path, Ownership owner) {
  if (chown(path.c_str(), owner.user, owner.group) != 0) Fail("chown", path);
}

std::optional<std::string> PasswordHomeDirectory() {
  const passwd* entry = getpwuid(getuid());
  if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] == '\0') return std::nullopt;
  return std::string(entry->pw_dir);
}

}  // namespace zuruza::testing
