#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/testing/system_traits.h"
#include "platform/win_internal.h"

namespace zuruza::testing {
namespace {

// Makes a link to a folder that exists and asks what the listing sees: a
// call that says it made one is not enough under Wine.
bool ProbeLinks() {
  const std::string target = TempDirectory();
  const std::string link = target + "zuruza-link-probe-" + std::to_string(GetCurrentProcessId());
  if (!CreateSymbolicLinkW(
          internal::Wide(link).c_str(), internal::Wide(target).c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    return false;
  const std::optional<DirEntry> entry = StatPath(link);
  RemoveDirectoryW(internal::Wide(link).c_str());
  return entry && entry->kind == EntryKind::kSymlink;
}

}  // namespace

long long FileTimeStep() { return 100; }
bool HasFifos() { return false; }
bool HasPermissionBits() { return false; }
bool HasPosixProcesses() { return false; }
bool ListingsReadEveryDetail() { return true; }
bool NamesAreBytes() { return false; }

bool CanMakeLinks() {
  static const bool can = ProbeLinks();
  return can;
}

}  // namespace zuruza::testing
