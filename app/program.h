#pragma once
// The program's parts wired together over one loop and one media player: the Desktop with
// the stand-in chat client, the automation, the windows.
#include <memory>
#include <string>

#include "aol/automation.h"
#include "app/form1.h"
#include "app/options.h"
#include "platform/forms/environment.h"
#include "platform/winapi/desktop.h"
#include "standin/client.h"

namespace rv::app {

class Program {
  public:
    Program(EventLoop& loop, media::MediaPlayer& media, const Options& options);

    forms::Environment env;
    winapi::Desktop desktop;
    standin::Client client;
    aol::Automation aol;
    aol::Random random;
    player::Services services;
    Form1 form1;

    // Shows the main window: its start-up runs.
    void start() { form1.Show(); }
    // The settings file "mp3.oca" in the program's folder.
    static std::string settings_path(const std::string& home);
};

}  // namespace rv::app
