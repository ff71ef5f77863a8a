// Who the tests run as, and files of another user: root ignores permission
// bits, so a test of a permission failure drops to the unprivileged user
// "nobody" in a child process, and hands that user the files it works on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zuruza::testing {

// The user and group ids of "nobody".
inline constexpr std::uint32_t kNobodyId = 65534;

// True when this process runs as the superuser (effective id 0).
bool IsSuperuser();

// Makes this process "nobody" for good: no supplementary groups, group and
// user ids of nobody. False when it could not, or is still the superuser.
// Only for a child process (see child_process.h).
bool DropToNobody();

// Whether this process's user may read, write or enter (search) `path`, as
// the kernel decides it for the real user; with none asked, whether it
// exists. Links are followed.
enum AccessWanted : unsigned { kMayExist = 0, kMayRead = 4, kMayWrite = 2, kMayEnter = 1 };
bool UserMay(const std::string& path, unsigned wanted);

// The owner and group of a file (links followed).
struct Ownership {
  std::uint32_t user = 0;
  std::uint32_t group = 0;
  bool operator==(const Ownership&) const = default;
};
// Throws std::runtime_error when `path` cannot be examined or changed.
Ownership OwnershipOf(const std::string& path);
void SetOwnership(const std::string& path, Ownership owner);

// The home directory of this user's password entry; none when there is no
// entry or it names no home.
std::optional<std::string> PasswordHomeDirectory();

}  // namespace zuruza::testing
