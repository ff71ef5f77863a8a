// The desktop's shell: opens a file, a directory or a web address with its
// default application.
#pragma once

#include <string>

namespace zuruza {

// Returns false when the desktop found no application for it.
bool OpenWithDefaultApplication(const std::string& path_or_url);

}  // namespace zuruza
