// Scratch space for tests: a fresh private directory for each test's files,
// and a tiny file system of its own to meet a full disk for real without
// filling the machine's.
#pragma once

#include <cstdint>
#include <string>

namespace zuruza::testing {

// Creates a new directory named `prefix` and six random characters, which
// only this user may enter, and returns its path. Throws std::runtime_error
// when it cannot.
std::string MakeScratchDirectory(const std::string& prefix);

// Mounts a tmpfs of `bytes` at the existing directory `dir`, seen only by
// this process: it first moves into a mount namespace of its own (within a
// user namespace of its own where an unprivileged user may not make one
// otherwise), so the mount ends with the process. Only for a child process
// (see child_process.h). False when no such namespace or mount can be made.
bool MountScratchTmpfs(const std::string& dir, std::uint64_t bytes);

}  // namespace zuruza::testing
