// Pieces of the drive list that read the system's own text forms, exposed
// for tests; not for use outside the platform layer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"

namespace zuruza::internal {

// Undoes the kernel's octal escapes in a mount table field ("\040" is a
// blank); anything that is not a full escape is kept as it is.
std::string DecodeMountField(std::string_view field);

// Undoes udev's "\x20" escapes in a /dev/disk/by-label name.
std::string DecodeLabelName(std::string_view name);

// Splits mount table text into its first three fields per line, still
// escaped; short lines are skipped.
std::vector<MountLine> ParseMountTable(std::string_view text);

}  // namespace zuruza::internal
