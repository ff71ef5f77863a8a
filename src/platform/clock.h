// Local and universal calendar time: conversions between file times and the
// dates the person sees.
#pragma once

#include "base/civil_time.h"
#include "platform/fs.h"

namespace zuruza {

// The calendar date and time in the local time zone, whole seconds.
CivilDateTime LocalFromUnix(UnixNanos when);
// The calendar date of the instant in UTC, with no conversion to local time.
CivilDateTime UtcFromUnix(UnixNanos when);
// The instant of a local date and time (the earlier one where a clock change
// makes it ambiguous).
UnixNanos UnixFromLocal(const CivilDateTime& when);
// Now, in local time.
CivilDateTime LocalNow();

// The program's date and time formats.
LocaleFormats SystemLocaleFormats();

}  // namespace zuruza
