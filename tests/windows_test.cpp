// Windows reach one another only through the program's window interface.
#include <gtest/gtest.h>

#include "helpers.h"

namespace rv {
namespace {

struct RecordingWindows final : ui::Windows {
    std::vector<std::string> calls;
    void show_folder_chooser() override { calls.push_back("chooser"); }
    void show_afk() override { calls.push_back("afk"); }
    void show_help() override { calls.push_back("help"); }
    void end_program() override { calls.push_back("end"); }
};

TEST(WindowHost, TheMainWindowAsksTheProgramForTheChooserAndTheEnd) {
    VirtualLoop loop;
    media::VirtualPlayer media(loop);
    winapi::Desktop desktop;
    aol::Automation automation(desktop, loop);
    aol::Random random;
    test::TempDir home;
    player::Services services{automation, media, random, home.file("mp3.oca"), {}};
    forms::Environment env(loop);
    env.set_input_box([](const std::string&, const std::string&, const std::string&) {
        return std::string("Bob");
    });
    RecordingWindows windows;
    app::Form1 form1(env, services, windows);
    form1.Show();
    form1.Label3_Click();    // "Load"
    form1.lbref_DblClick();  // an empty folder sends the user to the chooser
    form1.Label4_Click();    // "afk bot"
    form1.Label12_Click();   // "Cmds"
    form1.lbclose_Click();
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{"chooser", "chooser", "afk", "help", "end"}));
}

TEST(WindowHost, TheProgramOwnsTheChooserAndItFillsTheMainWindowsList) {
    test::World w;
    const std::string folder = w.music({"a.mp3", "b.mp3"});
    w.start();
    w.form1().lbref_DblClick();  // no folder stored: the chooser asks for one
    EXPECT_TRUE(w.program->frmDir.visible());
    w.program->frmDir.Dir1->set_path(folder);
    w.program->frmDir.lbok_Click();
    EXPECT_EQ(w.form1().File1->list_count(), 2);
    EXPECT_EQ(w.form1().lbmp3num->caption(), "2");
    w.program->end_program();
    EXPECT_TRUE(w.ended);
}

}  // namespace
}  // namespace rv
