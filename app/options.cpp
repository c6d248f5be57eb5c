#include "app/options.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "standin/net/transport.h"

namespace rv::app {

std::string usage(const std::string& settings_file) {
    return "usage: ravelin [options] [MP3 FILES]\n"
           "\n"
           "Ravelin is a small MP3 player of borderless windows: it plays the MP3 files of one\n"
           "folder and announces what it plays in a room of its stand-in chat client, where\n"
           "dot commands such as .p, .next and .exit drive it.\n"
           "\n"
           "Given files, it plays the first as a double-click on it in the file list would,\n"
           "from the file's folder for this run.\n"
           "\n"
           "options:\n"
           "  --home DIR          the program's folder, for the settings file mp3.oca and the\n"
           "                      message file MsgBox.txt; default: ~/.config/ravelin, or the\n"
           "                      executable's folder when it runs from its build tree\n"
           "  --screen-name NAME  the stand-in chat client's signed-on user; default: the\n"
           "                      login name\n"
           "  --script FILE       run the actions in FILE against the program, then quit\n"
           "  --headless          no display: virtual time, silent playback; needs --script\n"
           "  --transcript KIND   how --script prints the room's lines: html (the default),\n"
           "                      'ROOM NAME: LINE' exactly as sent; plain, 'NAME: TEXT' as the\n"
           "                      chat window shows it\n"
           "  --chat URL          the chat client signs on to an IRC server and its room is a\n"
           "                      channel: irc://HOST[:PORT]/#channel, ircs:// for TLS; the\n"
           "                      server's password, if any, from RAVELIN_IRC_PASSWORD, which\n"
           "                      also signs in to the account RAVELIN_IRC_ACCOUNT (default:\n"
           "                      the screen name) where the server offers SASL over TLS\n"
           "  --chat-insecure     with ircs://, accept a certificate the system does not trust\n"
           "  --chat-cert FILE    with ircs://, show the client certificate in FILE (a PEM file\n"
           "                      with the certificate and its unencrypted key) and sign in\n"
           "                      with it (SASL EXTERNAL) where the server offers that\n"
           "  --new-instance      start even when one runs already (otherwise the running\n"
           "                      one restores its windows, comes to the front and plays\n"
           "                      the first of the files given)\n"
           "  --version           the version\n"
           "  --help              this text\n"
           "\n"
           "keys on the player's window, each doing what its label does:\n"
           "  Space        play; pause and resume     S       stop\n"
           "  Right, Left  next, previous             R       mix (a random track)\n"
           "  Up, Down     move the list's selection  L       load (the folder chooser)\n"
           "  Enter        play the selected track    Escape  minimise\n"
           "in the folder chooser: Enter is ok, Escape is cancel\n"
           "\n"
           "settings file: " +
           settings_file +
           "\n"
           "\n"
           "script actions, one a line ('#' starts a comment):\n"
           "  answer TEXT                    the answer to the next input box\n"
           "  answer                         the user cancels the next input box\n"
           "  say TEXT                       the signed-on user says TEXT in the room\n"
           "  say-as NAME TEXT               another chatter says TEXT (\"A Name\" in quotes\n"
           "                                 may hold blanks)\n"
           "  click FORM.CONTROL [INDEX]     a user's click; INDEX first selects a list entry\n"
           "  dblclick FORM.CONTROL [INDEX]  a user's double-click\n"
           "  wait SECONDS                   let that much time pass, events running; at most\n"
           "                                 86400 (a day)\n"
           "  print FORM.CONTROL[.PROPERTY]  prints FORM.CONTROL[.PROPERTY]=VALUE\n"
           "  print FORM.PROPERTY            a window's own property, such as Form1.Height\n"
           "  open-room NAME                 the stand-in client opens a chat room\n"
           "  open-im NAME                   the stand-in client opens an instant message\n"
           "A bad line refuses the whole script (exit 2). An action that cannot be carried out\n"
           "(no such control or property) is reported, the run goes on, and the exit is 1.\n";
}

bool parse_options(int argc, char** argv, Options& out, std::string& error) {
    std::string transcript;
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
        } else if (a == "--version") {
            out.version = true;
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
        } else if (a == "--chat-cert") {
            if (!value(out.chat_cert)) return false;
        } else if (a == "--transcript") {
            if (!value(transcript)) return false;
        } else if (a == "--") {
            for (++i; i < argc; ++i) out.files.emplace_back(argv[i]);
        } else if (!a.empty() && a[0] != '-') {
            out.files.push_back(a);
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (out.help || out.version) return true;
    if (!transcript.empty() && transcript != "plain" && transcript != "html") {
        error = "--transcript takes plain or html";
        return false;
    }
    if (!transcript.empty() && out.script.empty()) {
        error = "--transcript needs --script FILE";
        return false;
    }
    out.plain_transcript = transcript == "plain";
    if (out.headless && out.script.empty()) {
        error = "--headless needs --script FILE";
        return false;
    }
    if (!out.chat_cert.empty() && out.chat.rfind("ircs://", 0) != 0) {
        error = "--chat-cert needs --chat ircs://...: a certificate is shown only over TLS";
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

namespace rv::app {

std::string default_home() {
    const std::string exe = executable_folder();
    std::error_code ec;
    // A build tree keeps today's rule: the files live beside the executable.
    if (std::filesystem::exists(exe + "/CMakeCache.txt", ec)) return exe;
    std::string config;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
        config = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        config = std::string(h) + "/.config";
    else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        config = std::string(pw->pw_dir) + "/.config";
    else
        return exe;
    return config + "/ravelin";
}

}  // namespace rv::app
