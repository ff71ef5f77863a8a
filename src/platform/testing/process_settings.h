// Settings of the test process itself that some tests change or read: the
// cap on its address space (to meet running out of memory without
// exhausting the machine), its file creation mask, and the most memory it
// has used (for the benchmarks).
#pragma once

#include <cstdint>

namespace zuruza::testing {

// Caps this process's address space at what it uses now plus `headroom`
// bytes, for good; false when it cannot. Only for a child process (see
// child_process.h).
bool CapAddressSpace(std::uint64_t headroom);

// Sets the file creation mask (umask); returns the one it replaced.
unsigned SetFileCreationMask(unsigned mask);

// The largest resident memory this process has had, in bytes.
std::uint64_t PeakMemoryBytes();

}  // namespace zuruza::testing
