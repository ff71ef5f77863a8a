#include <sys/vfs.h>

#include "platform/time_resolution.h"

namespace zuruza {

namespace {

constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr UnixNanos kFatStep = 2'000'000'000;
constexpr UnixNanos kExfatStep = 10'000'000;

}  // namespace

UnixNanos internal::FileSystemWriteTimeStep(const std::string& path) {
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

}  // namespace zuruza
