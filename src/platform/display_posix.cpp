#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/display.h"

namespace zuruza {
namespace {

// An X server that accepts the connection but never answers (a hung server,
// a forwarded port of a dead session) would block the handshake for ever.
constexpr auto kHandshakeTimeout = std::chrono::seconds(5);

bool WaylandAnswers() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  std::string path = name;
  if (path[0] != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return false;
    path = std::string(runtime) + "/" + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return ok;
}

bool XServerAnswers() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  // The handshake runs on a thread of its own so that a silent server costs
  // at most the timeout; a thread left waiting ends with the process.
  struct Probe {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool answered = false;
  };
  auto probe = std::make_shared<Probe>();
  std::thread([probe, display = std::string(name)] {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool answered = connection != nullptr && xcb_connection_has_error(connection) == 0;
    if (connection != nullptr) xcb_disconnect(connection);
    std::lock_guard<std::mutex> lock(probe->mutex);
    probe->finished = true;
    probe->answered = answered;
    probe->done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(probe->mutex);
  probe->done.wait_for(lock, kHandshakeTimeout, [&] { return probe->finished; });
  return probe->answered;
}

}  // namespace

bool DisplayAnswers() { return WaylandAnswers() || XServerAnswers(); }

}  // namespace zuruza
