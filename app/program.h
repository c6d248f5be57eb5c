#pragma once
// The program's parts wired together over one loop and one media player: the Desktop with
// the stand-in chat client, the automation, the windows.
#include <memory>
#include <string>

#include "afk/afk1.h"
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
    player::Services services;
    Form1 form1;
    afk::afk1 afk1;

    // Shows the main window: its start-up runs.
    void start() { form1.Show(); }
    // The settings file "mp3.oca" in the program's folder.
    static std::string settings_path(const std::string& home);
    // The message file "MsgBox.txt" in the program's folder.
    static std::string message_path(const std::string& home);
};

}  // namespace rv::app
