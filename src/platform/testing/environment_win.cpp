#include <stdlib.h>

#include "platform/testing/environment.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

// The C runtime keeps a copy of its own: both are set.
void SetEnv(const std::string& name, const std::string& value) {
  const std::wstring wide_name = internal::Wide(name);
  const std::wstring wide_value = internal::Wide(value);
  _wputenv_s(wide_name.c_str(), wide_value.c_str());
  SetEnvironmentVariableW(wide_name.c_str(), wide_value.c_str());
}

void UnsetEnv(const std::string& name) {
  const std::wstring wide_name = internal::Wide(name);
  _wputenv_s(wide_name.c_str(), L"");
  SetEnvironmentVariableW(wide_name.c_str(), nullptr);
}

bool TimeZoneFollowsTz() { return false; }

}  // namespace zuruza::testing
