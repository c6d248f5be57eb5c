#include "app/options.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "standin/net/transport.h"

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
           "  --chat URL          the chat client signs on to an IRC server and its room is a\n"
           "                      channel: irc://HOST[:PORT]/#channel, ircs:// for TLS; the\n"
           "                      server's password, if any, from RAVELIN_IRC_PASSWORD\n"
           "  --chat-insecure     with ircs://, accept a certificate the system does not trust\n"
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
        } else if (a == "--headless") {
            out.headless = true;
        } else if (a == "--script") {
            if (!value(out.script)) return false;
        } else if (a == "--home") {
            if (!value(out.home)) return false;
        } else if (a == "--screen-name") {
            if (!value(out.screen_name)) return false;
        } else if (a == "--chat") {
            if (!value(out.chat)) return false;
            standin::net::Endpoint endpoint;
            std::string why;
            if (!standin::net::parse_chat_url(out.chat, endpoint, why)) {
                error = "--chat " + out.chat + ": " + why;
                return false;
            }
        } else if (a == "--chat-insecure") {
            out.chat_insecure = true;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (out.headless && out.script.empty() && !out.help) {
        error = "--headless needs --script FILE";
        return false;
    }
    if (out.headless && !out.chat.empty()) {
        // Virtual time cannot pace a real connection; the windows can run without a display.
        error = "--chat needs the windows (without a display: QT_QPA_PLATFORM=offscreen)";
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
