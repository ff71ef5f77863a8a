// Byte texts of the tests as Qt strings, for window fields and captions.
#pragma once

#include <QString>
#include <string>

namespace zuruza::testing {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace zuruza::testing
