// Entries that are neither files, directories nor links, for tests of how
// the tools refuse or pass over them: a fifo nobody writes would make a
// blocking open wait for ever, and a device must never be replaced.
#pragma once

#include <string>

namespace zuruza::testing {

// A new fifo with permissions `mode` (less the umask); false when it cannot
// be made.
bool MakeFifo(const std::string& path, unsigned mode = 0644);

// A new character device that is the null device (only the superuser, or a
// user with that capability, may make one); false when it cannot be made.
bool MakeNullDevice(const std::string& path);

}  // namespace zuruza::testing
