#include "platform/arguments.h"

namespace zuruza {

std::vector<std::string> ProgramParameters(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void UseUtf8Console() {}

}  // namespace zuruza
