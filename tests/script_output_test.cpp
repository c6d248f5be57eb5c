// What a script prints can be read line by line: no text splits a line, and failed actions
// are counted in the exit status.
#include <gtest/gtest.h>

#include <sstream>

#include "app/script.h"
#include "helpers.h"
#include "process.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

TEST(ScriptOutput, ControlCharactersAreShownEscaped) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"plain text, \xC3\xA9 and \xE2\x84\xA2", "plain text, \xC3\xA9 and \xE2\x84\xA2"},
        {"a\nROOM Me: .p", "a\\nROOM Me: .p"},
        {"tab\there\r", "tab\\there\\r"},
        {std::string("nul\0esc\x1b[2Jdel\x7f", 15), "nul\\x00esc\\x1b[2Jdel\\x7f"},
        {"next line \xC2\x85 csi \xC2\x9B", "next line \\u0085 csi \\u009b"},
        {"line \xE2\x80\xA8 paragraph \xE2\x80\xA9", "line \\u2028 paragraph \\u2029"},
        {"cut at the end \xC2", "cut at the end \xC2"},
        {"back\\slash stays", "back\\slash stays"},
    };
    for (const auto& c : cases) EXPECT_EQ(app::escape_controls(c.in), c.out) << c.out;
}

TEST(ScriptOutput, ATabCannotJoinTheNameAndTheText) {
    struct Case {
        const char* line;
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"say-as Eve\thi there", "Eve", "hi there"},
        {"say-as Eve hi\tthere", "Eve", "hi\tthere"},
        {"say-as \"M e\"\tx", "M e", "x"},
        {"say-as Eve", "Eve", ""},
        {"say-as\tEve\t.p", "Eve", ".p"},
    };
    for (const auto& c : cases) {
        std::vector<app::ScriptAction> actions;
        std::string error;
        ASSERT_TRUE(app::parse_script(c.line, actions, error)) << c.line << error;
        EXPECT_EQ(actions.at(0).name, c.name) << c.line;
        EXPECT_EQ(actions.at(0).text, c.text) << c.line;
    }
}

test::Finished run_script(const std::string& script, const std::string& home,
                          std::vector<std::string> extra = {}) {
    test::TempDir dir;
    dir.touch("s", script);
    test::Launch l;
    l.args = {RAVELIN_EXE, "--headless", "--screen-name", "Tester",
              "--home",    home,         "--script",      dir.file("s")};
    l.args.insert(l.args.end(), extra.begin(), extra.end());
    return test::run_process(l);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(ScriptOutput, FailedActionsAreCountedAndTheRunGoesOn) {
    test::TempDir home;
    auto f = run_script(
        "answer Bob\nclick Form1.nothing\nprint Form1.lbplay.Nonsense\nprint Nowhere.x\n"
        "print Form1.lbmp3num\n",
        home.path());
    EXPECT_EQ(f.exit_code(), 1);
    EXPECT_NE(f.out.find("Form1.lbmp3num=0\n"), std::string::npos);
    EXPECT_EQ(f.err,
              "line 2: no loaded control Form1.nothing\n"
              "line 3: no property Form1.lbplay.Nonsense\n"
              "line 4: no form Nowhere\n"
              "ravelin: 3 script actions failed\n");
    // The close label ends the program; the count still decides the status.
    f = run_script("answer Bob\nclick Form1.nothing\nclick Form1.lbclose\n", home.path());
    EXPECT_EQ(f.exit_code(), 1);
    EXPECT_NE(f.out.find("PowerOff"), std::string::npos);
    EXPECT_EQ(f.err, "line 2: no loaded control Form1.nothing\nravelin: 1 script action failed\n");
}

TEST(ScriptOutput, NoFileNameOrChatterCanSplitALine) {
    test::TempDir home, music;
    tools::ToneSpec spec;
    spec.seconds = 1.0;
    const std::string forged = "a\nROOM Tester: .exit\rx.mp3";
    ASSERT_TRUE(tools::write_tone_mp3(music.file(forged), spec));
    home.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + music.path() + "\n");
    for (const char* kind : {"html", "plain"}) {
        auto f = run_script(
            "answer Bob\nclick Form1.File1 0\nclick Form1.lbplay\n"
            "print Form1.File1.FileName\nsay-as Eve\tx\x1b[1m\n",
            home.path(), {"--transcript", kind});
        EXPECT_EQ(f.exit_code(), 0) << f.err;
        const auto lines = lines_of(f.out);
        ASSERT_EQ(lines.size(), 5u) << f.out;
        // The chat window shows a line break as a blank; the raw line keeps it, escaped.
        const bool html = std::string(kind) == "html";
        EXPECT_NE(
            lines[2].find(html ? "a\\nROOM Tester: .exit\\rx.mp3" : "a ROOM Tester: .exit x.mp3"),
            std::string::npos)
            << kind;
        EXPECT_EQ(lines[3], "Form1.File1.FileName=a\\nROOM Tester: .exit\\rx.mp3");
        // The chat window shows a control character as a blank.
        EXPECT_EQ(lines[4], html ? "ROOM Eve: x\\x1b[1m" : "Eve: x [1m");
    }
}

TEST(ScriptOutput, ThePlainTranscriptReadsAsTheChatWindowShowsIt) {
    test::TempDir home;
    auto f = run_script("answer Bob &amp; Al\nsay-as Ann <b>5 &lt; 6</b>\n", home.path(),
                        {"--transcript", "plain"});
    EXPECT_EQ(f.exit_code(), 0);
    EXPECT_EQ(f.out,
              "Tester: \u00B7\u00B7\u203A Ravelin Player By Vosk\u2122 \u00B7PowerOn\n"
              "Tester: \u00B7\u00B7\u203A Vade3r: Bob & Al \n"
              "Ann: 5 < 6\n");
    for (const auto& line :
         lines_of(run_script("answer Bob\n", home.path(), {"--transcript", "plain"}).out))
        EXPECT_EQ(line.find('<'), std::string::npos) << line;
}

}  // namespace
}  // namespace rv
