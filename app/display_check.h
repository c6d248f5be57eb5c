#pragma once
// Whether the windows have a screen to open on, decided before the window system starts:
// without one it would abort the process rather than report anything.
#include <functional>
#include <string>

namespace rv::app {

struct DisplayEnv {
    std::string qpa_platform;     // QT_QPA_PLATFORM
    std::string display;          // DISPLAY
    std::string wayland_display;  // WAYLAND_DISPLAY
};

DisplayEnv display_env_from_process();

// Empty when the windows can open; otherwise why not, for one line on stderr. A platform
// named in QT_QPA_PLATFORM other than xcb (offscreen, wayland, vnc, ...) is taken at its
// word; for X, DISPLAY must be set and a local server must answer on it.
std::string why_no_display(const DisplayEnv& env,
                           const std::function<bool(const std::string& display)>& x_answers);

// True when an X server answers on the local socket of `display` (":N", ":N.S",
// "unix:N"); a display on another host is taken at its word.
bool local_x_server_answers(const std::string& display);

}  // namespace rv::app
