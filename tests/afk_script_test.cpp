// The away bot driven as a user drives it: scripts run by the program itself, headless.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "helpers.h"

namespace rv {
namespace {

using test::count;

const std::string kOpen =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A</b>";
const std::string kSaved = "ROOM Tester: " + kOpen + "Message Saved\n";

struct Outcome {
    int status;
    std::string out;
};

// `shell_prefix` runs in the shell before the program starts (limits, traps).
Outcome run_ravelin(const std::string& script, const std::string& home,
                    const std::string& shell_prefix = "") {
    test::TempDir dir;
    dir.touch("s.txt", script);
    std::string cmd = shell_prefix + "exec " + std::string(RAVELIN_EXE) +
                      " --headless --screen-name Tester --home " + home + " --script " +
                      dir.file("s.txt") + " 2>&1";
    Outcome r{0, ""};
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    r.status = ::pclose(p);
    return r;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The output from the afk window's loaded line on: the main window's start-up is not ours.
std::string from_loaded(const std::string& out) {
    std::size_t at = out.find("ROOM Tester: " + kOpen + "afk _-by");
    return at == std::string::npos ? out : out.substr(at);
}

std::string room(const std::string& rest) {
    return "ROOM Tester: " + kOpen + rest + "\n";
}

// The main window is started with handle Bob, then the afk window is opened.
const std::string kOpenBot = "answer Bob\nclick Form1.Label4\nanswer Bob\n";

TEST(AfkScript, TicksStopAndStartCountAsTheyShould) {
    struct Case {
        const char* what;
        std::string script;
        std::string expected;
    };
    const std::string loaded = room("afk _-by <B>Vosk\u2122</B>-_ Loaded");
    const std::string started = room("afk On") + room("Bob   Is afk") + room("Rsn:  lunch");
    const auto tick = [](const char* m, const char* h, const char* reason) {
        return room(std::string("Bob  Been afk For ~> Minz  (") + m + ")  Hrs  (" + h + ")") +
               room("TYPE (.msg) to leave msg") + room(std::string("Rsn: ") + reason);
    };
    const Case cases[] = {
        {"the first tick, one interval after Start",
         kOpenBot + "click afk1.Command1\nanswer lunch\nwait 59.5\nprint afk1.Minz\nwait 0.1\n"
                    "print afk1.Minz\nprint afk1.Hrs\n",
         loaded + started + "afk1.Minz=0\n" + tick("1", "0", "lunch") +
             "afk1.Minz=1\nafk1.Hrs=0\n"},
        {"the sixtieth tick",
         kOpenBot + "click afk1.Command1\nanswer lunch\nwait 3540\nprint afk1.Minz\nwait 60\n"
                    "print afk1.Minz\nprint afk1.Hrs\n",
         "afk1.Minz=59\n" + tick("0", "1", "lunch") + "afk1.Minz=0\nafk1.Hrs=1\n"},
        {"Stop before the first tick",
         kOpenBot + "click afk1.Command1\nanswer lunch\nwait 30\nclick afk1.Command2\n"
                    "print afk1.Timer1.Enabled\n",
         loaded + started + room("Bob Was afk for~> (0) Minz(0) Hrs") +
             room("You Have  (0)  messages") + "afk1.Timer1.Enabled=False\n"},
        {"Stop then Start: counting goes on, the reason is asked again",
         kOpenBot + "click afk1.Command1\nanswer lunch\nwait 130\nclick afk1.Command2\n"
                    "wait 600\nclick afk1.Command1\nanswer tea\nwait 60\n",
         tick("2", "0", "lunch") + room("Bob Was afk for~> (2) Minz(0) Hrs") +
             room("You Have  (0)  messages") + room("afk On") + room("Bob   Is afk") +
             room("Rsn:  tea") + tick("3", "0", "tea")},
        {"reopened while open: no prompt, no line",
         kOpenBot + "click Form1.Label4\nprint afk1.Visible\n", loaded + "afk1.Visible=True\n"},
        {"reopened after Exit: the handle again, counters from 0",
         kOpenBot + "click afk1.Command1\nanswer lunch\nwait 61\ndblclick afk1.Label8\n"
                    "print afk1.Loaded\nclick Form1.Label4\nanswer Robert\nprint afk1.Minz\n"
                    "print afk1.Hrs\nprint afk1.List1.ListCount\nclick afk1.Command1\nanswer x\n",
         tick("1", "0", "lunch") + room("afk _-by Vosk\u2122-_ UnLoaded") + "afk1.Loaded=False\n" +
             loaded + "afk1.Minz=0\nafk1.Hrs=0\nafk1.List1.ListCount=0\n" + room("afk On") +
             room("Robert   Is afk") + room("Rsn:  x")},
    };
    for (const auto& c : cases) {
        test::TempDir home;
        Outcome r = run_ravelin(c.script, home.path());
        EXPECT_EQ(WEXITSTATUS(r.status), 0) << c.what;
        const std::string out = from_loaded(r.out);
        EXPECT_NE(out.find(c.expected), std::string::npos) << c.what << "\n" << out;
    }
}

TEST(AfkScript, MessagesReachListFileAndRoom) {
    test::TempDir home;
    Outcome r =
        run_ravelin(kOpenBot +
                        "say-as Zed .msg too early\nwait 1\n"
                        "click afk1.Command1\nanswer lunch\n"
                        "say-as Bob .msghello\nwait 1\nsay-as Bob .msg\nwait 1\n"
                        "say-as Bob .MSG caps\nwait 1\nsay-as Bob  .msg\nwait 1\n"
                        "say-as Bob hi .msg\nwait 1\nsay-as alice .msg hi Bob\nwait 1\n"
                        "click afk1.Command2\nsay-as Zed .msg stopped\nwait 1\n"
                        "click afk1.Command1\nanswer tea\nsay-as carol .msg one more\n"
                        "wait 1\nclick afk1.Command2\nclick afk1.List1 0\nprint afk1.List1\n",
                    home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    const std::string out = from_loaded(r.out);
    EXPECT_EQ(count(out, kSaved), 4u) << out;
    EXPECT_NE(out.find("ROOM Bob: .msghello\n" + kSaved + "ROOM Bob: .msg\n" + kSaved +
                       "ROOM Bob: .MSG caps\nROOM Bob:  .msg\nROOM Bob: hi .msg\n"
                       "ROOM alice: .msg hi Bob\n" +
                       kSaved),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(room("You Have  (3)  messages")), std::string::npos);
    EXPECT_NE(out.find(room("You Have  (4)  messages") + "afk1.List1=alice:hi Bob\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(slurp(home.file("MsgBox.txt")),
              "alice:hi Bob\r\nBob:\r\nBob:ello\r\ncarol:one more\r\n");
}

TEST(AfkScript, EndingByTheCloseLabelRightAfterMessageSavedKeepsTheMessage) {
    test::TempDir home;
    Outcome r = run_ravelin(kOpenBot +
                                "click afk1.Command1\nanswer lunch\nsay-as Bob .msg back at 5\n"
                                "wait 0.6\nclick Form1.lbclose\n",
                            home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    ASSERT_NE(r.out.find(kSaved), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PowerOff"), std::string::npos);
    EXPECT_EQ(r.out.find("UnLoaded"), std::string::npos);  // the program ended at once
    EXPECT_EQ(slurp(home.file("MsgBox.txt")), "Bob:back at 5\r\n");
}

TEST(AfkScript, ASaveTheFolderRefusesLeavesWhatWasThere) {
    // The name is a folder: nothing replaces it, the room is not told the message is saved.
    test::TempDir home;
    std::filesystem::create_directories(home.file("MsgBox.txt"));
    home.touch("MsgBox.txt/mine", "keep");
    Outcome r = run_ravelin(kOpenBot +
                                "click afk1.Command1\nanswer lunch\nsay-as Bob .msg hello\nwait 1\n"
                                "click afk1.Command2\ndblclick afk1.Label8\n",
                            home.path());
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_EQ(count(r.out, kSaved), 0u) << r.out;
    EXPECT_EQ(count(r.out, "ravelin: a message was not saved to " + home.file("MsgBox.txt")), 1u)
        << r.out;
    EXPECT_EQ(count(r.out, "ravelin: the messages were not saved to " + home.file("MsgBox.txt")),
              2u)  // Stop and Exit
        << r.out;
    EXPECT_NE(r.out.find(room("You Have  (1)  messages")), std::string::npos);
    EXPECT_EQ(slurp(home.file("MsgBox.txt/mine")), "keep");
}

TEST(AfkScript, ASaveThatFailsHalfWayLeavesThePreviousFileByteForByte) {
    // A file-size limit of 512 bytes stands in for a disk that fills up mid-write.
    test::TempDir home;
    std::string script = kOpenBot + "click afk1.Command1\nanswer lunch\n";
    const std::string text(60, 'x');
    for (int i = 0; i < 12; ++i)
        script += "say-as Bob" + std::to_string(10 + i) + " .msg " + text + "\nwait 1\n";
    Outcome r = run_ravelin(script, home.path(), "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(WEXITSTATUS(r.status), 0) << r.out;
    // Each entry is 6 + 60 + 2 bytes: seven fit in 512, the eighth is not added, not even in
    // part.
    EXPECT_EQ(count(r.out, kSaved), 7u) << r.out;
    EXPECT_EQ(count(r.out, "File too large"), 5u) << r.out;
    std::string want;
    for (int i = 0; i < 7; ++i) want += "Bob" + std::to_string(10 + i) + ":" + text + "\r\n";
    EXPECT_EQ(slurp(home.file("MsgBox.txt")), want);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(home.path())) ++files;
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace rv
