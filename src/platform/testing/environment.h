// The test process's environment variables, set and removed where the C
// runtime reads them (getenv) and, on Windows, the system too.
#pragma once

#include <string>

namespace zuruza::testing {

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// Whether TZ set in this process changes its local time zone. Not on
// Windows: the zone is the system's (under Wine, the one TZ named when Wine
// started).
bool TimeZoneFollowsTz();

}  // namespace zuruza::testing
