#include "app/script.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "helpers.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

TEST(ScriptParse, RefusesBadLinesWithTheirNumber) {
    struct Case {
        const char* text;
        const char* error;  // "" when it parses
    };
    const Case cases[] = {
        {"# a comment\n\nanswer Bob\nanswer\nsay .p\nsay-as Ann hi\nwait 0.5\n", ""},
        {"click Form1.File1 2\ndblclick Form1.lbref\nprint Form1.DogBar1.Value\n", ""},
        {"say-as \"Big Al\" hello there\n", ""},
        {"jump Form1\n", "line 1: unknown action 'jump'"},
        {"answer x\nwait soon\n", "line 2: wait needs SECONDS from 0 to 86400"},
        {"wait -1\n", "line 1: wait needs SECONDS from 0 to 86400"},
        {"wait 86400\nwait 0\n", ""},
        {"wait 86400.01\n", "line 1: wait needs SECONDS from 0 to 86400"},
        {"wait 1e999\n", "line 1: wait needs SECONDS from 0 to 86400"},
        {"wait nan\n", "line 1: wait needs SECONDS from 0 to 86400"},
        {"click Form1\n", "line 1: expected FORM.CONTROL [INDEX]"},
        {"click Form1.File1 -1\n", "line 1: INDEX must be a whole number from 0"},
        {"print Form1..Caption\n", "line 1: expected FORM.CONTROL[.PROPERTY]"},
        {"\n\nsay-as\n", "line 3: say-as needs a NAME and a TEXT"},
        {"say-as \"Al hi\n", "line 1: unclosed quote in the name"},
    };
    for (const auto& c : cases) {
        std::vector<app::ScriptAction> actions;
        std::string error;
        bool ok = app::parse_script(c.text, actions, error);
        EXPECT_EQ(ok, std::string(c.error).empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::vector<app::ScriptAction> actions;
    std::string error;
    ASSERT_TRUE(app::parse_script("say-as \"Big Al\" hello there\nanswer\n", actions, error));
    EXPECT_EQ(actions[0].name, "Big Al");
    EXPECT_EQ(actions[0].text, "hello there");
    EXPECT_TRUE(actions[1].cancel);
}

struct RunResult {
    int status;
    std::string out;
};

RunResult run_ravelin(const std::string& script, const std::string& home) {
    test::TempDir dir;
    dir.touch("s.txt", script);
    std::string cmd = std::string(RAVELIN_EXE) + " --headless --screen-name Tester --home " + home +
                      " --script " + dir.file("s.txt") + " 2>&1";
    RunResult r{0, ""};
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    r.status = ::pclose(p);
    return r;
}

TEST(ScriptRun, HeadlessStartUpPrintsAndShutDown) {
    test::TempDir home;
    RunResult r = run_ravelin(
        "say-as Ann early\nanswer Bob\nsay hello\nprint Form1.Height\nprint Form1.lbtitle\n"
        "print Form1.Label2.ForeColor\nclick Form1.lbclose\nprint Form1.Height\n",
        home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    // Answers may come after other lines: the box takes the first one queued.
    const std::string on = "ROOM Ann: early\nROOM Tester: <FONT COLOR=#3366FF>";
    EXPECT_EQ(r.out.substr(0, on.size()), on);
    EXPECT_NE(r.out.find("Vade3r:</b><FONT COLOR=#3366FF> Bob<FONT"), std::string::npos);
    EXPECT_NE(r.out.find("ROOM Tester: hello\nForm1.Height=2175\nForm1.lbtitle=Ravelin mp3 By "
                         "Vosk\nForm1.Label2.ForeColor=14737632\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("PowerOff"), std::string::npos);
    // The program ended with lbclose: the script ends there.
    EXPECT_EQ(r.out.find("Form1.Height=2175\n", r.out.find("PowerOff")), std::string::npos);
}

TEST(ScriptRun, ABadScriptIsRefusedBeforeAnythingRuns) {
    test::TempDir home;
    RunResult r = run_ravelin("answer Bob\nfrobnicate\n", home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 2);
    EXPECT_NE(r.out.find("line 2: unknown action 'frobnicate'"), std::string::npos);
    EXPECT_EQ(r.out.find("ROOM"), std::string::npos);
}

TEST(ScriptRun, ACancelledHandleAndAScriptWithoutAnswers) {
    test::TempDir home;
    RunResult r = run_ravelin("wait 0.2\n", home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_NE(r.out.find("Vade3r:</b><FONT COLOR=#3366FF> <FONT COLOR=#3366FF> <FONT"),
              std::string::npos);
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

TEST(ScriptRun, HeadlessPlaybackWithRealFilesAndTheirDurations) {
    test::TempDir home, music;
    tools::ToneSpec spec;
    spec.seconds = 3.0;
    ASSERT_TRUE(tools::write_tone_mp3(music.file("a.MP3"), spec));
    spec.seconds = 2.0;
    ASSERT_TRUE(tools::write_tone_mp3(music.file("B.mp3"), spec));
    music.touch("notes.txt", "not music");
    home.touch("mp3.oca", "[ravelin]\r\nDIRECTORY=" + music.path() + "\r\n");
    RunResult r = run_ravelin(
        "answer Bob\nprint Form1.lbmp3num\nprint Form1.File1.ListCount\n"
        "click Form1.File1 1\nprint Form1.File1.FileName\nclick Form1.lbplay\nwait 1\n"
        "print Form1.Text2\nprint Form1.txttime\nclick Form1.lbfoward\n"
        "print Form1.File1.ListIndex\nwait 5\nprint Form1.DogBar1.Value\n"
        "print Form1.Timer1.Enabled\n",
        home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    const std::string expected =
        "Form1.lbmp3num=2\nForm1.File1.ListCount=2\nForm1.File1.FileName=B.mp3\n"
        "ROOM Tester:  <FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A "
        "<FONT COLOR=#222222>playing:-</b><FONT COLOR=#3366FF>B.mp3\u00A4\n"
        "Form1.Text2=  00:02\nForm1.txttime=00:01\n"
        "Form1.File1.ListIndex=1\n"  // next on the last entry: nothing to open
        "Form1.DogBar1.Value=0\nForm1.Timer1.Enabled=False\n";
    const std::size_t at = r.out.find("Form1.lbmp3num=");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(at), expected);
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

// Each of `parts` occurs in `out`, in this order.
::testing::AssertionResult in_order(const std::string& out, const std::vector<std::string>& parts) {
    std::size_t at = 0;
    for (const auto& p : parts) {
        std::size_t found = out.find(p, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "missing after " << at << ": " << p << "\n"
                                                 << out;
        at = found + p.size();
    }
    return ::testing::AssertionSuccess();
}

TEST(ScriptRun, EveryChatCommandFromTheRoom) {
    test::TempDir home, music;
    tools::ToneSpec spec;
    spec.seconds = 8.0;
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"})
        ASSERT_TRUE(tools::write_tone_mp3(music.file(n), spec));
    home.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + music.path() + "\n");
    RunResult r = run_ravelin(
        "answer Bob\nclick Form1.File1 1\n"
        "say .p\nwait 0.2\nsay .next\nwait 0.2\nsay .back\nwait 0.2\nsay .stop\nwait 0.2\n"
        "say .P\nsay .p \nsay-as Ann .p\nwait 0.2\nprint Form1.File1.FileName\n"
        "say .r\nwait 0.2\n"
        "say .vol50\nsay .vol 50\nsay .vol 10.5\nsay .vol100\nsay .vol abc\nsay .vol\n"
        "say .vol 1e9\nwait 0.2\n"
        "say .mute\nsay .muteoff\nsay .afk\nanswer Bob\nwait 0.2\n"
        // One at a time: lines said together nest inside each other's room search, so the
        // last said would be sent first.
        "say .new\nwait 0.2\nsay .old\nwait 0.2\nsay .sent\nwait 0.2\nsay .delmail\nwait 0.2\n"
        "say .eq\nwait 0.2\nprint frmeq.Visible\nclick frmeq.Label3\nwait 0.1\n"
        "print frmeq.Timer1.Enabled\nclick Form1.Label12\nprint Form3.Visible\n"
        "say .exit\nwait 1\nprint Form1.Height\n",
        home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    const std::string me = "ROOM Tester: ";
    const std::string opening =
        "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>··› <FONT COLOR=#222222>";
    auto playing = [&](const char* n) {
        return me + " " + opening + "playing:-</b><FONT COLOR=#3366FF>" + n + "¤\n";
    };
    auto volume = [&](const char* arg) {
        return me + opening + "Volume Set</b><FONT COLOR=#3366FF> ··› " + arg + " ‹··\n";
    };
    auto mail = [&](const char* which) {
        return me + opening + "</b>Checkin <b><FONT COLOR=#3366FF> " + which +
               " </b> <FONT COLOR=#222222>Mail</b> \n";
    };
    EXPECT_TRUE(in_order(
        r.out, {me + ".p\n",
                playing("b.mp3"),
                me + ".next\n",
                playing("c.mp3"),
                me + ".back\n",
                playing("b.mp3"),
                me + ".stop\n",
                me + opening + "Stoped...\n",
                me + ".P\n",
                me + ".p \n",
                "ROOM Ann: .p\nForm1.File1.FileName=b.mp3\n",
                me + ".r\n",
                me + opening + "Random:-</b><FONT COLOR=#3366FF>",
                volume("50"),
                volume(" 50"),
                volume(" 10.5"),
                volume("100"),
                volume(" 1e9"),
                me + ".afk\n",
                mail("New"),
                mail("Old"),
                me + "<font face=tahoma><font color=#009933><b>-º<font color=#CCCCCC></b>Checkin "
                     "<b>Sent</b> Mail</b> \n",
                mail("Deleted"),
                me + "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>•._.·· ·÷</b><FONT "
                     "COLOR=#222222>Equalizer</b><FONT COLOR=#3366FF><b>÷· ·._.•</b> \n",
                "frmeq.Visible=True\n",
                "frmeq.Timer1.Enabled=True\n",
                "Form3.Visible=True\n",
                me + ".exit\n",
                "PowerOff"}));
    // Nothing answers the capitals, the trailing blank, Ann, a bad volume or the mute.
    EXPECT_EQ(r.out.find("··›  abc"), std::string::npos);
    EXPECT_EQ(r.out.find("··›  ‹··"), std::string::npos);
    const std::size_t stop = r.out.find("Stoped...");
    const std::size_t name = r.out.find("Form1.File1.FileName=");
    ASSERT_NE(stop, std::string::npos);
    EXPECT_EQ(r.out.substr(stop, name - stop).find(opening, 20), std::string::npos);
    // ".exit" ended the program: the script ends there.
    EXPECT_EQ(r.out.find("Form1.Height="), std::string::npos);
}

}  // namespace
}  // namespace rv
