#include <stdlib.h>

#include "platform/testing/environment.h"

namespace zuruza::testing {

void SetEnv(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) { unsetenv(name.c_str()); }

bool TimeZoneFollowsTz() { return true; }

}  // namespace zuruza::testing
