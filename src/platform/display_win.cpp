#include "platform/display.h"

namespace zuruza {

// An interactive process on Windows always has a desktop to show windows on.
bool DisplayAnswers() { return true; }

}  // namespace zuruza
