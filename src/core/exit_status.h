// Exit statuses of a batch run, whichever way it runs: headless, or in the
// windows with a display.
#pragma once

namespace zuruza {

inline constexpr int kExitFinished = 0;
inline constexpr int kExitFailed = 1;       // stopped on an error, or cancelled
inline constexpr int kExitUsage = 2;        // the usage text: nothing was done
inline constexpr int kExitSomeSkipped = 3;  // finished, some entries could not be read

}  // namespace zuruza
