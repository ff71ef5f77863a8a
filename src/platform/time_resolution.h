// How finely a file system keeps last-write times. FAT keeps them in 2 s
// steps and exFAT in 10 ms steps, so a copy given its source's time holds
// that time cut down to the step: comparisons of a copy with its source are
// made at the coarser of the two.
#pragma once

#include <functional>
#include <string>

#include "platform/fs.h"

namespace zuruza {

// The step of the last-write times of the file system holding `path` (an
// existing directory or file), in nanoseconds: 2 s on FAT, 10 ms on exFAT,
// 1 ns where times are fine (or the step cannot be told). Blocking.
UnixNanos WriteTimeStep(const std::string& path);

// `time` cut down to a multiple of `step` (a step below 1 counts as 1).
UnixNanos FloorToStep(UnixNanos time, UnixNanos step);

// For tests: answers WriteTimeStep for every path instead of the file system
// (empty: ask the file system).
void SetWriteTimeStepForTesting(std::function<UnixNanos(const std::string& path)> step);

namespace internal {
// The step the file system holding `path` keeps, asked of the system: each
// backend's own answer to WriteTimeStep.
UnixNanos FileSystemWriteTimeStep(const std::string& path);
}  // namespace internal

}  // namespace zuruza
