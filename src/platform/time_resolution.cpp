// What every system shares of the write-time steps: the cut and the test
// hook; each backend tells its file systems' steps.
#include "platform/time_resolution.h"

#include <utility>

namespace zuruza {
namespace {

std::function<UnixNanos(const std::string&)>& StepHook() {
  static std::function<UnixNanos(const std::string&)> hook;
  return hook;
}

}  // namespace

UnixNanos WriteTimeStep(const std::string& path) {
  if (StepHook()) return StepHook()(path);
  return internal::FileSystemWriteTimeStep(path);
}

UnixNanos FloorToStep(UnixNanos time, UnixNanos step) {
  if (step <= 1) return time;
  const UnixNanos rest = time % step;
  return rest < 0 ? time - rest - step : time - rest;
}

void SetWriteTimeStepForTesting(std::function<UnixNanos(const std::string& path)> step) {
  StepHook() = std::move(step);
}

}  // namespace zuruza
