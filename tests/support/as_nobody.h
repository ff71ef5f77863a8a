// Runs a check as an unprivileged user, for tests of permission failures:
// root ignores permission bits, so a root test forks a child that drops to
// nobody; other users run the check in place.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace zuruza::testing {

enum class AsNobodyResult { kPassed, kFailed, kCannotDropPrivileges, kSetupUnreachable };

inline constexpr uid_t kNobodyId = 65534;

// `reachable` must hold for the unprivileged user (e.g. the temp tree can be
// listed), so that a failure of `check` is due to the permission under test
// and not to a parent directory nobody can enter.
inline AsNobodyResult RunAsNobody(const std::function<bool()>& reachable,
                                  const std::function<bool()>& check) {
  if (geteuid() != 0) {
    if (!reachable()) return AsNobodyResult::kSetupUnreachable;
    return check() ? AsNobodyResult::kPassed : AsNobodyResult::kFailed;
  }
  const pid_t child = fork();
  if (child < 0) return AsNobodyResult::kCannotDropPrivileges;
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(kNobodyId, kNobodyId, kNobodyId) != 0 ||
        setresuid(kNobodyId, kNobodyId, kNobodyId) != 0 || geteuid() == 0)
      _exit(2);
    if (!reachable()) _exit(3);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return AsNobodyResult::kFailed;
  switch (WEXITSTATUS(status)) {
    case 0:
      return AsNobodyResult::kPassed;
    case 2:
      return AsNobodyResult::kCannotDropPrivileges;
    case 3:
      return AsNobodyResult::kSetupUnreachable;
    default:
      return AsNobodyResult::kFailed;
  }
}

// Opens a temp tree root (mkdtemp makes it owner-only) to every user.
inline bool MakeWorldTraversable(const std::string& path) { return chmod(path.c_str(), 0755) == 0; }

}  // namespace zuruza::testing

// Skips with the reason when the check could not run as intended; fails when
// it ran and did not hold.
#define EXPECT_AS_NOBODY(result)                                                             \
  do {                                                                                       \
    switch (result) {                                                                        \
      case ::zuruza::testing::AsNobodyResult::kPassed:                                       \
        break;                                                                               \
      case ::zuruza::testing::AsNobodyResult::kFailed:                                       \
        ADD_FAILURE() << "check failed as user nobody";                                      \
        break;                                                                               \
      case ::zuruza::testing::AsNobodyResult::kCannotDropPrivileges:                         \
        GTEST_SKIP() << "cannot drop root privileges to user nobody here";                   \
      case ::zuruza::testing::AsNobodyResult::kSetupUnreachable:                             \
        GTEST_SKIP() << "the temp directory is not reachable by user nobody (check TMPDIR)"; \
    }                                                                                        \
  } while (false)
