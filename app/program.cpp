#include "app/program.h"

namespace rv::app {

std::string Program::settings_path(const std::string& home) {
    return (home.empty() ? executable_folder() : home) + "/mp3.oca";
}

Program::Program(EventLoop& loop, media::MediaPlayer& media, const Options& options)
    : env(loop),
      client(desktop, loop, options.screen_name.empty() ? default_screen_name() : options.screen_name,
             options.home.empty() ? executable_folder() : options.home),
      aol(desktop, loop),
      services{aol, media, settings_path(options.home), {}},
      form1(env, services) {
    client.open_room("Lobby");
}

}  // namespace rv::app
