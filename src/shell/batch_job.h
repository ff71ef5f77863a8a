// The batch commands "/BUSCA", "/REPES" and "/BACKUP" run without any window:
// the same jobs the windows run, with the fields a batch command leaves at
// their layout values. Used when no display answers; Qt-free, so a batch run
// needs neither a display nor Qt's platform.
//
// Parameters are the bytes of the command line, never decoded: a directory
// name that is not UTF-8 is walked as it is. Nobody answers: input boxes take
// their default, questions answer Cancel, messages go to `say`.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/exit_status.h"

namespace zuruza {

// The usage text for `count` parameters, lines separated by CR LF.
std::string BatchUsage(int count);

// Runs the command of `parameters` (parameter 1 first) and returns the exit
// status. `say` receives every message: the job's own, an error that stopped
// it, each entry it could not read, the usage text. A finished job with
// nothing skipped says nothing.
int RunHeadlessBatch(const std::vector<std::string>& parameters,
                     const std::function<void(std::string_view)>& say);

}  // namespace zuruza
