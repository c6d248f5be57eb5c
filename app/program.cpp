#include "app/program.h"

#include <cstdio>
#include <filesystem>

#include "app/script.h"
#include "standin/net/transport.h"

namespace rv::app {

namespace {
// On a chat network the first room is the channel asked for; offline, the lobby.
std::string first_room(const Options& options) {
    standin::net::Endpoint chat;
    std::string error;
    if (!options.chat.empty() && standin::net::parse_chat_url(options.chat, chat, error) &&
        !chat.channel.empty())
        return chat.channel;
    return "Lobby";
}
}  // namespace

std::string Program::settings_path(const std::string& home) {
    return (home.empty() ? default_home() : home) + "/mp3.oca";
}

std::string Program::message_path(const std::string& home) {
    return (home.empty() ? default_home() : home) + "/MsgBox.txt";
}

Program::Program(EventLoop& loop, media::MediaPlayer& media, const Options& options)
    : env(loop),
      client(desktop, loop,
             options.screen_name.empty() ? default_screen_name() : options.screen_name,
             options.home.empty() ? default_home() : options.home),
      aol(desktop, loop),
      services{aol, media, random, settings_path(options.home), {}},
      form1(env, services, *this),
      frmDir(env, services.settings_file,
             [this] {
                 return ui::MainWindowLink{&form1, form1.File1, form1.lbmp3num};
             }),
      afk1(env, aol, message_path(options.home)),
      form3(env),
      equalizer(env, random),
      commands(form1, aol, *this) {
    client.open_room(first_room(options));
    form1.Chat1.ChatMessage = [this](const std::string& ScreenName, const std::string& Text) {
        commands.Chat1_ChatMessage(ScreenName, Text);
    };
    // The user's configuration folder may not exist yet on a first run of an install.
    if (options.home.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(default_home(), ec);
    }
}

void Program::open_mailbox(const std::string& name) {
    aol::OpenMailbox(aol, name);
}

bool Program::play_files(const std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    forms::FileListBox& list = *form1.File1;
    for (const std::string& file : files) {
        std::error_code ec;
        const fs::path path = fs::absolute(file, ec);
        if (ec || !fs::is_regular_file(path, ec)) {
            std::fprintf(stderr, "ravelin: %s: no such file\n", escape_controls(file).c_str());
            continue;
        }
        // The list moves to the file's folder only for a file it will play: what plays now
        // keeps its folder for next and back otherwise.
        if (forms::match_pattern(path.filename().string(), list.pattern())) {
            const std::string before = list.path();
            const int selected = list.list_index();
            list.set_path(path.parent_path().string());
            for (int i = 0; i < list.list_count(); ++i) {
                list.set_list_index(i);
                if (fs::path(list.file_path()) == path) {
                    form1.lbmp3num->set_caption(std::to_string(list.list_count()));
                    form1.File1_DblClick();
                    return true;
                }
            }
            list.set_path(before);
            if (selected >= 0) list.set_list_index(selected);
        }
        std::fprintf(stderr, "ravelin: %s: not an MP3 file of its folder\n",
                     escape_controls(file).c_str());
    }
    return false;
}

}  // namespace rv::app
