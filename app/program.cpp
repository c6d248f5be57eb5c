#include "app/program.h"

#include "standin/net/transport.h"

namespace rv::app {

std::string Program::settings_path(const std::string& home) {
    return (home.empty() ? executable_folder() : home) + "/mp3.oca";
}

Program::Program(EventLoop& loop, media::MediaPlayer& media, const Options& options)
    : env(loop),
      client(desktop, options.screen_name.empty() ? default_screen_name() : options.screen_name),
      aol(desktop, loop),
      services{aol, media, settings_path(options.home), {}},
      form1(env, services) {
    // On a chat network the first room is the channel asked for; offline, the lobby.
    standin::net::Endpoint chat;
    std::string error;
    client.open_room(!options.chat.empty() && standin::net::parse_chat_url(options.chat, chat, error) &&
                             !chat.channel.empty()
                         ? chat.channel
                         : "Lobby");
}

}  // namespace rv::app
