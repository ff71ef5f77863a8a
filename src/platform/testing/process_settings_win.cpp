#include <windows.h>
// Needs the types of windows.h first.
#include <io.h>
#include <psapi.h>

#include "platform/testing/process_settings.h"

namespace zuruza::testing {

// A job object could cap this process's memory, but the cap would bind the
// whole test process for good, not a child (there is no fork here).
bool CapAddressSpace(std::uint64_t) { return false; }

// The C runtime keeps a mask too, which only its own _open and _creat heed.
unsigned SetFileCreationMask(unsigned mask) {
  return static_cast<unsigned>(_umask(static_cast<int>(mask)));
}

std::uint64_t PeakMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<std::uint64_t>(counters.PeakWorkingSetSize);
}

}  // namespace zuruza::testing
