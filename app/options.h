#pragma once
#include <string>

namespace rv::app {

struct Options {
    bool help = false;
    bool headless = false;
    std::string script;       // run this script against the program
    std::string home;         // the program's folder: settings and message files
    std::string screen_name;  // the stand-in client's signed-on user
    std::string chat;         // irc://HOST[:PORT]/#channel: the client's room is an IRC channel
    bool chat_insecure = false;  // ircs:// accepts a certificate the system does not vouch for
};

// The environment variable that holds the chat server's password, if it needs one.
constexpr const char* kChatPasswordVariable = "RAVELIN_IRC_PASSWORD";

// False with a reason on bad arguments.
bool parse_options(int argc, char** argv, Options& out, std::string& error);
std::string usage();
// The login name, or "Guest".
std::string default_screen_name();
// The folder that holds the running executable.
std::string executable_folder();

}  // namespace rv::app
