#include "platform/arguments.h"
#include "platform/win_internal.h"

// After <windows.h>, which it needs.
#include <shellapi.h>

namespace zuruza {

std::vector<std::string> ProgramParameters(int, char**) {
  std::vector<std::string> parameters;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return parameters;
  for (int i = 1; i < count; ++i) parameters.push_back(internal::Utf8(wide[i]));
  LocalFree(wide);
  return parameters;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace zuruza
