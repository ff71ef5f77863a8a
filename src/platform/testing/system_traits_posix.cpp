#include "platform/testing/system_traits.h"

namespace zuruza::testing {

long long FileTimeStep() { return 1; }
bool HasFifos() { return true; }
bool HasPermissionBits() { return true; }
bool HasPosixProcesses() { return true; }
bool ListingsReadEveryDetail() { return false; }
bool NamesAreBytes() { return true; }
bool CanMakeLinks() { return true; }

}  // namespace zuruza::testing
