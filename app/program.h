#pragma once
// The program's parts wired together over one loop and one media player: the Desktop with
// the stand-in chat client, the automation, and every window. Windows reach one another
// only through the program (ui::Windows).
#include <memory>
#include <string>

#include "afk/afk1.h"
#include "aol/automation.h"
#include "aol/mailbox.h"
#include "aol/random.h"
#include "app/form1.h"
#include "app/options.h"
#include "chat/commands.h"
#include "platform/forms/environment.h"
#include "platform/winapi/desktop.h"
#include "standin/client.h"
#include "ui/form3.h"
#include "ui/frm_dir.h"
#include "ui/frm_eq.h"
#include "ui/windows.h"

namespace rv::app {

class Program final : public ui::Windows, public chat::CommandTargets {
  public:
    Program(EventLoop& loop, media::MediaPlayer& media, const Options& options);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    forms::Environment env;
    winapi::Desktop desktop;
    standin::Client client;
    aol::Automation aol;
    aol::Random random;
    player::Services services;
    Form1 form1;
    ui::frmDir frmDir;
    afk::afk1 afk1;
    ui::Form3 form3;
    ui::frmeq equalizer;
    chat::CommandInterpreter commands;

    void show_folder_chooser() override { frmDir.Show(); }
    void show_afk() override { afk1.Show(); }
    void show_help() override { form3.Show(); }
    void show_equalizer() override { equalizer.Show(); }
    // Returns once the mailbox has loaded or the attempt is given up.
    void open_mailbox(const std::string& name) override;
    // Runs the `end_program` the caller wired into the services (the real program exits).
    void end_program() override {
        if (services.end_program) services.end_program();
    }

    // Shows the main window: its start-up runs.
    void start() { form1.Show(); }
    // Plays the first of `files` that is an MP3 file as a double-click on it in the file list
    // does, the list showing its folder for this run (the stored folder stays as it is). Says
    // on stderr, a line each, which files it passed over; false when none played.
    bool play_files(const std::vector<std::string>& files);
    // The settings file "mp3.oca" in the program's folder.
    static std::string settings_path(const std::string& home);
    // The message file "MsgBox.txt" in the program's folder.
    static std::string message_path(const std::string& home);
};

}  // namespace rv::app
