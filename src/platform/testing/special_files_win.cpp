#include "platform/testing/special_files.h"

namespace zuruza::testing {

// Windows file systems have neither fifos nor device nodes.
bool MakeFifo(const std::string&, unsigned) { return false; }

bool MakeNullDevice(const std::string&) { return false; }

}  // namespace zuruza::testing
