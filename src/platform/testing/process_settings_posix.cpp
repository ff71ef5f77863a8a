#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/testing/process_settings.h"

namespace zuruza::testing {

bool CapAddressSpace(std::uint64_t headroom) {
  long pages = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return false;
  const bool read = std::fscanf(statm, "%ld", &pages) == 1;
  std::fclose(statm);
  if (!read) return false;
  const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                     static_cast<rlim_t>(headroom);
  const rlimit limit{cap, cap};
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

unsigned SetFileCreationMask(unsigned mask) {
  return static_cast<unsigned>(umask(static_cast<mode_t>(mask)));
}

std::uint64_t PeakMemoryBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // kept in KiB
}

}  // namespace zuruza::testing
