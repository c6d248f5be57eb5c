#include "app/program.h"

#include <iostream>

namespace rv::app {

std::string Program::settings_path(const std::string& home) {
    return (home.empty() ? executable_folder() : home) + "/mp3.oca";
}

Program::Program(EventLoop& loop, media::MediaPlayer& media, const Options& options)
    : env(loop),
      client(desktop, options.screen_name.empty() ? default_screen_name() : options.screen_name),
      aol(desktop, loop),
      services{aol, media, random, settings_path(options.home), {}},
      form1(env, services),
      form3(env),
      equalizer(env, random),
      commands(form1, aol, *this) {
    client.open_room("Lobby");
    form1.show_help = [this] { form3.Show(); };
    form1.Chat1.ChatMessage = [this](const std::string& ScreenName, const std::string& Text) {
        commands.Chat1_ChatMessage(ScreenName, Text);
    };
}

void Program::show_afk() {
    // The away-from-keyboard window is not part of this build yet.
    std::cerr << "ravelin: away-from-keyboard window unavailable\n";
}

void Program::show_equalizer() {
    equalizer.Show();
}

void Program::open_mailbox(const std::string& name) {
    // The mailbox automation is not part of this build yet.
    std::cerr << "ravelin: mailbox automation unavailable (" << name << ")\n";
}

}  // namespace rv::app
