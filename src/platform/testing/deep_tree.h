// A chain of directories deeper than the system's longest path, for tests
// of walks that meet one. No path of it can be named whole, so it is built
// and removed one level at a time relative to open directories.
#pragma once

#include <string>

namespace zuruza::testing {

// Below `parent`: `levels` directories named `name` (200 bytes of 'd'), one
// inside the other, with an empty file "fondo.txt" in the deepest. False
// when it cannot be built.
bool MakeDeepChain(const std::string& parent, int levels = 25);

// Removes `path` and everything below it, however deep.
void RemoveDeep(const std::string& path);

}  // namespace zuruza::testing
