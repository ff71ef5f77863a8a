// Where the program keeps and finds its files on this system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zuruza {

// The user's home directory, with a trailing separator.
std::string HomeDirectory();
// $XDG_DATA_HOME/zuruza/ (default ~/.local/share/zuruza/): the program's
// writable files (on Windows the program's own directory). Created on demand
// by the callers that write there.
std::string DataDirectory();
// $XDG_CACHE_HOME/zuruza/ (default ~/.cache/zuruza/); on Windows
// %LOCALAPPDATA%\zuruza\ (the user's local application data).
std::string CacheDirectory();
// $TMPDIR (default /tmp; the system's temporary folder on Windows), with a
// trailing separator.
std::string TempDirectory();
// The directory of the running executable, with a trailing separator.
std::string ProgramDirectory();
// A default report path: the file name in the user's home directory ("c:\"
// on Windows).
std::string DefaultReportPath(const std::string& file_name);
// The folders, in order, where the inventory search tries to put its results
// file: the home directory, then $TMPDIR/zelq/ ("c:\" then "c:\zelq\" on
// Windows). Each with a trailing separator.
std::vector<std::string> ResultsFolders();
// The files a drive's directory tree is cached in, in order of preference:
// on Windows "vcd.dat" at the root of the drive mounted at `mount_point`
// ("C:\vcd.dat" for "C:"), where the program always kept it; last, on every
// system, `user_file_name` in the vcd folder of the user's cache directory,
// a folder its writer creates.
std::vector<std::string> DriveTreeCacheFiles(std::string_view mount_point,
                                             std::string_view user_file_name);
// The folders the tools' fields start with: the users' folders ("/home";
// "c:\users" on Windows), their copy on a second disk ("/backup/home";
// "d:\users"), and a whole system drive ("/"; "c:").
std::string DefaultUsersFolder();
std::string DefaultSecondUsersFolder();
std::string DefaultDriveFolder();
// Creates the directory and its missing parents; false on failure.
bool MakeDirectories(const std::string& path);

}  // namespace zuruza
