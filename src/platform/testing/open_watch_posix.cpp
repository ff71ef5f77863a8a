#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/testing/open_watch.h"

namespace zuruza::testing {

OpenWatch::OpenWatch(const std::string& path) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error(std::string("inotify_init1: ") + std::strerror(errno));
  if (inotify_add_watch(fd_, path.c_str(), IN_OPEN) < 0) {
    const int error = errno;
    close(fd_);
    throw std::runtime_error("inotify_add_watch " + path + ": " + std::strerror(error));
  }
}

OpenWatch::~OpenWatch() { close(fd_); }

bool OpenWatch::SawOpen() const {
  char events[4096];
  return read(fd_, events, sizeof events) >= 0;
}

}  // namespace zuruza::testing
