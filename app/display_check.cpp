#include "app/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace rv::app {

namespace {

std::string env_or_empty(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Every platform named in a "name[:options];name..." list is xcb.
bool only_xcb(const std::string& platforms) {
    std::size_t start = 0;
    while (start <= platforms.size()) {
        std::size_t end = platforms.find(';', start);
        if (end == std::string::npos) end = platforms.size();
        std::string entry = platforms.substr(start, end - start);
        std::string name = entry.substr(0, entry.find(':'));
        if (!name.empty() && name != "xcb") return false;
        start = end + 1;
    }
    return true;
}

bool connects(const std::string& path, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                            (abstract ? 0 : 1));
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

DisplayEnv display_env_from_process() {
    return {env_or_empty("QT_QPA_PLATFORM"), env_or_empty("DISPLAY"),
            env_or_empty("WAYLAND_DISPLAY")};
}

std::string why_no_display(const DisplayEnv& env,
                           const std::function<bool(const std::string& display)>& x_answers) {
    if (!env.qpa_platform.empty() && !only_xcb(env.qpa_platform)) return "";
    if (env.qpa_platform.empty() && !env.wayland_display.empty()) return "";
    if (env.display.empty()) return "DISPLAY is not set";
    if (!x_answers(env.display)) return "no X server answers on DISPLAY " + env.display;
    return "";
}

bool local_x_server_answers(const std::string& display) {
    std::string d = display;
    if (d.compare(0, 5, "unix:") == 0) d.erase(0, 4);
    if (d.empty() || d[0] != ':') return true;  // another host: its server is its business
    std::size_t end = d.find('.', 1);
    std::string number = d.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string path = "/tmp/.X11-unix/X" + number;
    return connects(path, true) || connects(path, false);
}

}  // namespace rv::app
