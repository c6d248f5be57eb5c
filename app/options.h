#pragma once
#include <string>
#include <vector>

namespace rv::app {

// From the build (the project's version), so that every place says the same.
inline constexpr const char* kVersion = RAVELIN_VERSION;

struct Options {
    bool help = false;
    bool version = false;
    bool headless = false;
    std::string script;              // run this script against the program
    std::string home;                // the program's folder: settings and message files
    std::string screen_name;         // the stand-in client's signed-on user
    bool plain_transcript = false;   // a script prints the room as the chat window shows it
    bool new_instance = false;       // start even when the user runs one already
    std::string chat;                // irc://HOST[:PORT]/#channel: the client's room is a channel
    bool chat_insecure = false;      // ircs:// accepts a certificate the system does not vouch for
    std::string chat_cert;           // a PEM file: the client's certificate and key, for ircs://
    std::vector<std::string> files;  // MP3 files to play (what the menu entry passes)
};

// The environment variable that holds the chat server's password, if it needs one.
constexpr const char* kChatPasswordVariable = "RAVELIN_IRC_PASSWORD";
// The account to sign in to with that password, where the server offers it (default: the
// screen name).
constexpr const char* kChatAccountVariable = "RAVELIN_IRC_ACCOUNT";

// False with a reason on bad arguments.
bool parse_options(int argc, char** argv, Options& out, std::string& error);
// The help text; `settings_file` is where this run keeps its settings.
std::string usage(const std::string& settings_file);
// The login name, or "Guest".
std::string default_screen_name();
// The folder that holds the running executable.
std::string executable_folder();
// Where the settings and message files live without --home: beside the executable in a
// build tree, else the user's configuration folder (~/.config/ravelin).
std::string default_home();

}  // namespace rv::app
