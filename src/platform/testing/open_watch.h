// Whether anyone opened a file, told by the kernel: a test that a tool
// passes over a fifo without opening it (an open would block) cannot see
// that from the tool's results alone.
#pragma once

#include <string>

namespace zuruza::testing {

class OpenWatch {
 public:
  // Starts watching `path`; throws std::runtime_error when it cannot.
  explicit OpenWatch(const std::string& path);
  ~OpenWatch();
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  // True when the file was opened since the watch began; never waits.
  bool SawOpen() const;

 private:
  int fd_ = -1;
};

}  // namespace zuruza::testing
