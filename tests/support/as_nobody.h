// Runs a check as an unprivileged user, for tests of permission failures:
// root ignores permission bits, so a root test forks a child that drops to
// nobody; other users run the check in place.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/testing/child_process.h"
#include "platform/testing/identity.h"

namespace zuruza::testing {

enum class AsNobodyResult { kPassed, kFailed, kCannotDropPrivileges, kSetupUnreachable };

// `reachable` must hold for the unprivileged user (e.g. the temp tree can be
// listed), so that a failure of `check` is due to the permission under test
// and not to a parent directory nobody can enter.
inline AsNobodyResult RunAsNobody(const std::function<bool()>& reachable,
                                  const std::function<bool()>& check) {
  if (!IsSuperuser()) {
    if (!reachable()) return AsNobodyResult::kSetupUnreachable;
    return check() ? AsNobodyResult::kPassed : AsNobodyResult::kFailed;
  }
  std::optional<int> code;
  try {
    code = RunInChild([&] {
      if (!DropToNobody()) return 2;
      if (!reachable()) return 3;
      return check() ? 0 : 1;
    });
  } catch (const std::runtime_error&) {
    return AsNobodyResult::kCannotDropPrivileges;
  }
  switch (code.value_or(-1)) {
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
inline bool MakeWorldTraversable(const std::string& path) {
  std::error_code error;
  std::filesystem::permissions(path, std::filesystem::perms(0755),
                               std::filesystem::perm_options::replace, error);
  return !error;
}

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
