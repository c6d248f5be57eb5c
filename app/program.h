#pragma once
// The program's parts wired together over one loop and one media player: the Desktop with
// the stand-in chat client, the automation, the windows and the chat commands.
#include <memory>
#include <string>

#include "aol/automation.h"
#include "aol/random.h"
#include "app/form1.h"
#include "app/options.h"
#include "chat/commands.h"
#include "platform/forms/environment.h"
#include "platform/winapi/desktop.h"
#include "standin/client.h"
#include "ui/form3.h"
#include "ui/frm_eq.h"

namespace rv::app {

class Program : public chat::CommandTargets {
  public:
    Program(EventLoop& loop, media::MediaPlayer& media, const Options& options);

    forms::Environment env;
    winapi::Desktop desktop;
    standin::Client client;
    aol::Automation aol;
    aol::Random random;
    player::Services services;
    Form1 form1;
    ui::Form3 form3;
    ui::frmeq equalizer;
    chat::CommandInterpreter commands;

    // Shows the main window: its start-up runs.
    void start() { form1.Show(); }
    // The settings file "mp3.oca" in the program's folder.
    static std::string settings_path(const std::string& home);

    // What the chat commands reach beyond the main window.
    void show_afk() override;
    void show_equalizer() override;
    void open_mailbox(const std::string& name) override;
};

}  // namespace rv::app
