// The atomic writer's temporaries by name, the same on every system: their
// pattern ".~<name>.<pid>.<attempt>.zuruza.tmp", and the folders whose
// leftovers this process has dealt with. Not for use outside the platform
// layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zuruza::internal {

// Cut so that the temporary name stays within the longest name the file
// system takes whenever the destination's does.
inline constexpr std::size_t kTemporaryNameKept = 100;
inline constexpr std::string_view kTemporarySuffix = ".zuruza.tmp";
// A temporary untouched this long is no live writer's, wherever that runs
// (another machine on a shared folder, another container).
inline constexpr std::int64_t kLeftoverAgeSeconds = 3600;

// The process id a name of the temporaries' pattern carries; none for any
// other name.
std::optional<long long> TemporaryOwner(std::string_view name);

// True the first time `directory` is named here, or by NoteNewFolder: each
// folder's leftovers are cleared once per process.
bool FirstClearOf(const std::string& directory);

}  // namespace zuruza::internal
