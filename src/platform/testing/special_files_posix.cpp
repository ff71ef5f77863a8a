#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/testing/special_files.h"

namespace zuruza::testing {

bool MakeFifo(const std::string& path, unsigned mode) {
  return mkfifo(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool MakeNullDevice(const std::string& path) {
  return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

}  // namespace zuruza::testing
