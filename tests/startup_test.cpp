#include <gtest/gtest.h>

#include "aol/automation.h"
#include "helpers.h"

namespace rv {
namespace {

const std::string kPowerOn =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT "
    "COLOR=#222222>Ravelin Player By</b><FONT COLOR=#3366FF> V<u>o</U>sk\u2122 \u00B7PowerOn";
const std::string kPowerOff =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT "
    "COLOR=#222222>Ravelin Player By</b><FONT COLOR=#3366FF> V<u>o</U>sk\u2122 \u00B7 PowerOff";

std::string handle_line(const std::string& h) {
    return "</html><html><FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><B>\u00B7\u00B7\u203A "
           "<FONT COLOR=#222222>Vade3r:</b><FONT COLOR=#3366FF> " +
           h + "<FONT COLOR=#3366FF> <FONT COLOR=#222222>";
}
std::string closing_line(const std::string& h) {
    return "</html><html><FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><B>\u00B7\u00B7\u203A"
           "<FONT COLOR=#222222>Vade3r: </b><FONT COLOR=#3366FF>" +
           h + "<FONT COLOR=#3366FF>, <FONT COLOR=#222222>";
}

TEST(StartUp, AsksTheHandleAndAnnouncesPowerOnThenTheHandle) {
    for (std::string handle : {"Bob", ""}) {  // "" is a cancelled box
        test::World w;
        w.start(handle);
        ASSERT_EQ(w.prompts.size(), 1u);
        EXPECT_EQ(w.prompts[0].substr(0, 19 + 57), "Enter You're Handle" + std::string(57, ' '));
        EXPECT_GT(w.prompts[0].size(), 19u + 57u);  // a line of thanks follows
        ASSERT_EQ(w.lines.size(), 2u);
        EXPECT_EQ(w.lines[0].html, kPowerOn);
        EXPECT_EQ(w.lines[1].html, handle_line(handle));
        EXPECT_GE(w.lines[1].at - w.lines[0].at, 0.1);
        EXPECT_EQ(w.lines[0].name, "Tester");
        auto& f = w.form1();
        EXPECT_EQ(f.userHandle, handle);
        EXPECT_TRUE(f.visible());
        EXPECT_TRUE(f.topmost());
        EXPECT_EQ(f.height(), 2175);
        EXPECT_FALSE(f.Timer3->timer_enabled());
        EXPECT_FALSE(f.Timer1->timer_enabled());
        EXPECT_FALSE(f.Timer4->timer_enabled());
        EXPECT_TRUE(f.Timer2->timer_enabled());
        EXPECT_TRUE(f.Chat1.scanning());
    }
}

TEST(StartUp, TheStoredFolderFillsThePlaylist) {
    test::World w;
    const std::string folder = w.music({"a.MP3", "B.mp3", "notes.txt", "c.mp3.bak"});
    std::ofstream(w.home.file("mp3.oca")) << "[RAVELIN]\r\ndirectory=" << folder << "\r\n";
    w.start();
    auto& f = w.form1();
    EXPECT_EQ(f.File1->path(), folder);
    EXPECT_EQ(f.File1->items(), (std::vector<std::string>{"a.MP3", "B.mp3"}));
    EXPECT_EQ(f.lbmp3num->caption(), "2");
    EXPECT_EQ(f.File1->list_index(), -1);
}

TEST(StartUp, AStoredFolderThatIsGoneListsNothing) {
    test::World w;
    w.store_folder("/no/such/folder");
    w.start();
    EXPECT_EQ(w.form1().lbmp3num->caption(), "0");
}

TEST(ShutDown, SlidesOffThenPowerOffThenTheClosingHandleLineThenEnds) {
    for (std::string handle : {"Bob", ""}) {
        test::World w;
        w.start(handle);
        w.lines.clear();
        auto& f = w.form1();
        f.lbclose->user_click();
        EXPECT_GT(f.left(), w.program->env.screen_width_twips());
        ASSERT_EQ(w.lines.size(), 2u);
        EXPECT_EQ(w.lines[0].html, kPowerOff);
        EXPECT_EQ(w.lines[1].html, closing_line(handle));
        EXPECT_GE(w.lines[1].at - w.lines[0].at, 0.1);
        EXPECT_TRUE(w.ended);
    }
}

TEST(CreditLine, ADoubleClickOnTheTitleSendsItExactly) {
    test::World w;
    w.start();
    w.lines.clear();
    w.form1().lbtitle->user_dbl_click();
    ASSERT_EQ(w.lines.size(), 1u);
    EXPECT_EQ(w.lines[0].html,
              "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u00B7\u203A <FONT "
              "COLOR=#222222>Ravelin Mp3 Player By</B><FONT COLOR=#3366FF> V<u>o</U>sk <FONT "
              "COLOR=#0033CC><b>\u2039\u00B7\u00B7\u00B7</b>");
}

TEST(StartUp, WithNoRoomOpenTheLinesGoNowhereAndStartUpGoesOn) {
    test::World w;
    w.program->client.close_window(w.program->client.top_room()->window());
    w.start();
    EXPECT_TRUE(w.lines.empty());
    EXPECT_TRUE(w.form1().visible());
    EXPECT_FALSE(w.form1().Timer3->timer_enabled());
}

}  // namespace
}  // namespace rv
