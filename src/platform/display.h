// Whether a desktop display answers, asked without Qt: Qt aborts the whole
// process when its platform cannot connect, so the program asks first.
#pragma once

namespace zuruza {

// True when WAYLAND_DISPLAY names a Wayland socket that accepts a
// connection, or DISPLAY names an X server that completes the connection
// handshake (authorisation included) within a few seconds. Blocking.
bool DisplayAnswers();

}  // namespace zuruza
