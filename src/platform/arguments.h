// The program's command-line parameters as the tools take them: UTF-8 text
// where the system gives text, the bytes as they are where it gives bytes.
#pragma once

#include <string>
#include <vector>

namespace zuruza {

// The parameters after the program's own name. On Linux these are argv's
// bytes, never decoded (a name that is not UTF-8 is walked as it is); on
// Windows the wide command line, in UTF-8, since argv there is in the
// ANSI code page and loses every character outside it.
std::vector<std::string> ProgramParameters(int argc, char** argv);

// Lets the console show the program's UTF-8 messages as they are (Windows
// consoles take the OEM code page otherwise); nothing elsewhere.
void UseUtf8Console();

}  // namespace zuruza
