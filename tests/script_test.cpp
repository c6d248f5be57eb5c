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
