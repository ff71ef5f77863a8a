// Whole-file copy for the backup copier: the copy keeps the source's
// last-write time and permissions, and never leaves a damaged file under the
// destination's name.
#pragma once

#include <functional>
#include <string>

namespace zuruza {

enum class CopyOutcome {
  kCopied,      // the destination now holds the source
  kSourceGone,  // the source vanished (or stopped being copyable) before the copy
};

// Copies `source` to `destination`, replacing it. The bytes go to a
// temporary file beside the destination (an atomic output), which is given
// the source's last-write time and permissions and renamed into place only
// when every write succeeded: a full disk leaves the old destination file as
// it was. A symbolic link is recreated as a link, never followed. A source
// that changes while it is copied is copied again (a few times at most).
// A failure throws IoError and changes nothing at the destination. Blocking.
CopyOutcome CopyFilePreservingTime(const std::string& source, const std::string& destination);

// Creates one directory; false when it could not (it exists, no parent, ...),
// with the errno in `error` when given.
bool CreateOneDirectory(const std::string& path, int* error = nullptr);

// For tests: a hook that can fail the copy to a destination with an errno
// (0: let it go on) after part of the data was written. Empty: no faults.
void SetCopyFaultForTesting(std::function<int(const std::string& destination)> fault);

}  // namespace zuruza
