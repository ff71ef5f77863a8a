// Where the program keeps and finds its files on this system.
#pragma once

#include <string>

namespace zuruza {

// The user's home directory, with a trailing separator.
std::string HomeDirectory();
// $XDG_DATA_HOME/zuruza/ (default ~/.local/share/zuruza/): the program's
// writable files. Created on demand by the callers that write there.
std::string DataDirectory();
// $XDG_CACHE_HOME/zuruza/ (default ~/.cache/zuruza/).
std::string CacheDirectory();
// $TMPDIR (default /tmp), with a trailing separator.
std::string TempDirectory();
// The directory of the running executable, with a trailing separator.
std::string ProgramDirectory();
// A default report path: the file name in the user's home directory.
std::string DefaultReportPath(const std::string& file_name);
// Creates the directory and its missing parents; false on failure.
bool MakeDirectories(const std::string& path);

}  // namespace zuruza
