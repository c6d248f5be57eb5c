#include "app/options.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace rv::app {

std::string usage() {
    return "usage: ravelin [options]\n"
           "  --home DIR          the program's folder (settings file mp3.oca); default: the\n"
           "                      executable's folder\n"
           "  --screen-name NAME  the stand-in chat client's signed-on user; default: the\n"
           "                      login name\n"
           "  --script FILE       run FILE against the program (one action a line:\n"
           "                      answer, say, say-as, click, dblclick, wait, print, ...)\n"
           "  --headless          no display: virtual time, silent playback; needs --script\n"
           "  --new-instance      start even when one runs already (otherwise the running\n"
           "                      one comes to the front)\n"
           "  --help              this text\n";
}

bool parse_options(int argc, char** argv, Options& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--new-instance") {
            out.new_instance = true;
        } else if (a == "--headless") {
            out.headless = true;
        } else if (a == "--script") {
            if (!value(out.script)) return false;
        } else if (a == "--home") {
            if (!value(out.home)) return false;
        } else if (a == "--screen-name") {
            if (!value(out.screen_name)) return false;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (out.headless && out.script.empty() && !out.help) {
        error = "--headless needs --script FILE";
        return false;
    }
    return true;
}

std::string default_screen_name() {
    if (const char* u = std::getenv("USER"); u && *u) return u;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return "Guest";
}

std::string executable_folder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

}  // namespace rv::app

namespace rv::app {

std::string default_home() {
    const std::string exe = executable_folder();
    std::error_code ec;
    // A build tree keeps today's rule: the files live beside the executable.
    if (std::filesystem::exists(exe + "/CMakeCache.txt", ec)) return exe;
    std::string config;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') config = x;
    else if (const char* h = std::getenv("HOME"); h && *h) config = std::string(h) + "/.config";
    else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) config = std::string(pw->pw_dir) + "/.config";
    else return exe;
    const std::string home = config + "/ravelin";
    std::filesystem::create_directories(home, ec);
    return home;
}

}  // namespace rv::app
