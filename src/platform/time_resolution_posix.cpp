#include <sys/vfs.h>

#include <utility>

#include "platform/time_resolution.h"

namespace zuruza {

namespace {

constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr UnixNanos kFatStep = 2'000'000'000;
constexpr UnixNanos kExfatStep = 10'000'000;

std::function<UnixNanos(const std::string&)>& StepHook() {
  static std::function<UnixNanos(const std::string&)> hook;
  return hook;
}

}  // namespace

UnixNanos WriteTimeStep(const std::string& path) {
  if (StepHook()) return StepHook()(path);
  struct statfs info {};
  if (::statfs(path.c_str(), &info) != 0) return 1;
  switch (static_cast<long>(info.f_type)) {
    case kMsdosMagic:
      return kFatStep;
    case kExfatMagic:
      return kExfatStep;
    default:
      return 1;
  }
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
