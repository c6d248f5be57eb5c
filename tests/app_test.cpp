// The program as started from a terminal: options, no display, and the stop signals.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "app/display_check.h"
#include "app/later_starts.h"
#include "app/options.h"
#include "app/stop_signals.h"
#include "helpers.h"
#include "process.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

bool parse(std::vector<std::string> args, app::Options& o, std::string& error) {
    args.insert(args.begin(), "ravelin");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return app::parse_options(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(Options, ParseOrSayWhy) {
    struct Case {
        std::vector<std::string> args;
        const char* error;  // "" when they parse
    };
    const Case cases[] = {
        {{}, ""},
        {{"--headless", "--script", "s", "--transcript", "plain"}, ""},
        {{"--script", "s", "--transcript", "html"}, ""},
        {{"--version"}, ""},
        {{"--headless"}, "--headless needs --script FILE"},
        {{"--transcript", "plain"}, "--transcript needs --script FILE"},
        {{"--script", "s", "--transcript", "rich"}, "--transcript takes plain or html"},
        {{"--script"}, "--script needs a value"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"--chat", "ircs://irc.test/#music", "--chat-cert", "me.pem"}, ""},
        {{"--chat", "irc://irc.test/#music", "--chat-cert", "me.pem"},
         "--chat-cert needs --chat ircs://...: a certificate is shown only over TLS"},
        {{"--chat-cert", "me.pem"},
         "--chat-cert needs --chat ircs://...: a certificate is shown only over TLS"},
    };
    for (const auto& c : cases) {
        app::Options o;
        std::string error;
        EXPECT_EQ(parse(c.args, o, error), std::string(c.error).empty()) << c.error;
        EXPECT_EQ(error, c.error);
    }
    app::Options o;
    std::string error;
    ASSERT_TRUE(parse({"--headless", "--script", "s", "--transcript", "plain"}, o, error));
    EXPECT_TRUE(o.plain_transcript);
    // Files as the menu entry passes them; after "--" a name may begin with '-'.
    app::Options f;
    ASSERT_TRUE(parse({"a.mp3", "--home", "h", "/m/b c.mp3", "--", "-d.mp3", "--help"}, f, error));
    EXPECT_EQ(f.files, (std::vector<std::string>{"a.mp3", "/m/b c.mp3", "-d.mp3", "--help"}));
    EXPECT_EQ(f.home, "h");
    EXPECT_FALSE(f.help);
}

// A file given on the command line plays as a double-click on it would, from its own folder
// for this run; the stored folder stays. What is not a file of MP3s is passed over and said.
TEST(Options, TheFirstFileGivenPlaysFromItsFolder) {
    test::World w;
    const std::string stored = w.music({"x.mp3"});
    w.store_folder(stored);
    test::TempDir other;
    other.touch("one.mp3");
    other.touch("two.mp3");
    other.touch("notes.txt");
    w.durations = {{"two.mp3", 30}};
    w.start("Bob");
    const std::string settings = test::slurp_file(w.home.file("mp3.oca"));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(w.program->play_files({other.file("gone.mp3"), other.file("notes.txt"),
                                       other.file("two.mp3"), other.file("one.mp3")}));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gone.mp3: no such file"), std::string::npos) << err;
    EXPECT_NE(err.find("notes.txt: not an MP3 file"), std::string::npos) << err;
    EXPECT_EQ(test::count(err, "\n"), 2u) << err;
    EXPECT_EQ(w.program->form1.File1->path(), other.path());
    EXPECT_EQ(w.program->form1.File1->file_name(), "two.mp3");
    EXPECT_EQ(w.program->form1.lbmp3num->caption(), "2");
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    EXPECT_EQ(w.media.open_path(), other.file("two.mp3"));
    EXPECT_EQ(test::slurp_file(w.home.file("mp3.oca")), settings);
    EXPECT_FALSE(w.program->play_files({other.file("notes.txt")}));
    // A file that will not play leaves the list in the folder of what plays.
    test::TempDir third;
    third.touch("a.mp3");
    third.touch("notes.txt");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.program->play_files({third.file("notes.txt")}));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.program->form1.File1->path(), other.path());
    EXPECT_EQ(w.program->form1.File1->file_name(), "two.mp3");
    EXPECT_EQ(w.media.open_path(), other.file("two.mp3"));
}

// A later start's request: the windows come back every time; its files play as this start's
// own would, but not before the main window's start-up is over (a request may come while the
// handle prompt is open).
TEST(LaterStarts, BringBackEveryTimeAndPlayTheFilesOnceStarted) {
    test::World w;
    w.store_folder(w.music({"x.mp3"}));
    test::TempDir other;
    other.touch("one.mp3");
    other.touch("two.mp3");
    w.durations = {{"one.mp3", 30}, {"two.mp3", 30}};
    int brought_back = 0;
    app::LaterStarts later(*w.program, [&] { ++brought_back; });
    w.program->env.set_input_box([&](const std::string&, const std::string&, const std::string&) {
        later.request({other.file("two.mp3")});
        return std::string("Bob");
    });
    w.program->start();
    EXPECT_EQ(brought_back, 1);
    EXPECT_EQ(w.media.PlayState(), media::kStopped) << "played before the start-up ended";
    later.started();
    EXPECT_EQ(w.media.open_path(), other.file("two.mp3"));
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    later.request({});
    EXPECT_EQ(brought_back, 2);
    EXPECT_EQ(w.media.open_path(), other.file("two.mp3")) << "a bare start plays nothing";
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    later.request({other.file("one.mp3")});
    EXPECT_EQ(brought_back, 3);
    EXPECT_EQ(w.media.open_path(), other.file("one.mp3"));
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    EXPECT_EQ(w.program->form1.File1->path(), other.path());
}

TEST(Options, TheHelpSaysWhatTheProgramIsAndListsEveryAction) {
    const std::string help = app::usage("/some/where/mp3.oca");
    EXPECT_NE(help.find("Ravelin is a small MP3 player"), std::string::npos);
    EXPECT_NE(help.find("settings file: /some/where/mp3.oca\n"), std::string::npos);
    for (const char* verb : {"answer TEXT",
                             "say TEXT",
                             "say-as NAME TEXT",
                             "click FORM",
                             "dblclick FORM",
                             "wait SECONDS",
                             "print FORM",
                             "open-room NAME",
                             "open-im NAME",
                             "--version",
                             "--transcript",
                             "--chat-cert FILE",
                             "Space",
                             "Right, Left",
                             "Up, Down",
                             "Enter",
                             "Escape",
                             "  S ",
                             "  R ",
                             "  L "})
        EXPECT_NE(help.find(verb), std::string::npos) << verb;
    EXPECT_NE(help.find("86400 (a day)"), std::string::npos) << "the longest wait";
    EXPECT_EQ(help.find("..."), std::string::npos);
}

TEST(DisplayCheck, OnlyAnXcbRunNeedsAnXServer) {
    struct Case {
        app::DisplayEnv env;
        bool x_answers;
        const char* why;
    };
    const Case cases[] = {
        {{"", "", ""}, false, "DISPLAY is not set"},
        {{"xcb", "", ""}, false, "DISPLAY is not set"},
        {{"", ":5", ""}, false, "no X server answers on DISPLAY :5"},
        {{"", ":5", ""}, true, ""},
        {{"offscreen", "", ""}, false, ""},
        {{"wayland", "", ""}, false, ""},
        {{"xcb;offscreen", "", ""}, false, ""},
        {{"", "", "wayland-0"}, false, ""},
        {{"xcb:nomitshm", "", "wayland-0"}, false, "DISPLAY is not set"},
    };
    for (const auto& c : cases) {
        const bool answers = c.x_answers;
        EXPECT_EQ(app::why_no_display(c.env, [answers](const std::string&) { return answers; }),
                  c.why)
            << c.env.qpa_platform << "|" << c.env.display << "|" << c.env.wayland_display;
    }
    EXPECT_FALSE(app::local_x_server_answers(":no"));
    EXPECT_FALSE(app::local_x_server_answers(":987654"));
    EXPECT_TRUE(app::local_x_server_answers("otherhost:0"));
}

TEST(ProgramRun, WithoutADisplayItSaysHowToRunHeadlessAndExits2) {
    test::TempDir home;
    test::Launch l;
    l.args = {RAVELIN_EXE, "--home", home.path()};
    l.unset_env = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    auto f = test::run_process(l);
    EXPECT_EQ(f.exit_code(), 2);
    EXPECT_EQ(f.out, "");
    EXPECT_EQ(f.err,
              "ravelin: no display to open the windows on (DISPLAY is not set); without "
              "windows: ravelin --headless --script FILE\n");
    l.args = {RAVELIN_EXE, "--version"};
    auto v = test::run_process(l);
    EXPECT_EQ(v.out, std::string("ravelin ") + app::kVersion + "\n");
}

TEST(ProgramRun, AStoredFolderThatIsGoneOrEmptyIsReportedOnStderr) {
    test::TempDir home, script;
    home.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + home.file("gone") + "\n");
    script.touch("s", "answer Bob\n");
    test::Launch l;
    l.args = {RAVELIN_EXE, "--headless", "--home", home.path(), "--script", script.file("s")};
    auto f = test::run_process(l);
    EXPECT_EQ(f.exit_code(), 0);
    EXPECT_EQ(f.err, "ravelin: the stored music folder " + home.file("gone") +
                         " does not exist; choose another with Load\n");
    home.touch("notes.txt");
    home.touch("song.mp3.txt");
    home.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + home.path() + "\n");
    f = test::run_process(l);
    EXPECT_EQ(f.err, "ravelin: the stored music folder " + home.path() +
                         " holds no MP3 files; choose another with Load\n");
    home.touch("Song.MP3");
    f = test::run_process(l);
    EXPECT_EQ(f.err, "");
}

// A loop that tells the test when something was posted into it from another thread.
class WatchedLoop : public EventLoop {
  public:
    double now() const override { return m_loop.now(); }
    void pump() override { m_loop.pump(); }
    void wait_until(double deadline) override { m_loop.wait_until(deadline); }
    void sleep_until(double deadline) override { m_loop.sleep_until(deadline); }
    TimerId start_timer(int interval_ms, std::function<void()> tick) override {
        return m_loop.start_timer(interval_ms, std::move(tick));
    }
    void stop_timer(TimerId id) override { m_loop.stop_timer(id); }
    void post(std::function<void()> task) override {
        m_loop.post(std::move(task));
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_posted;
        m_cv.notify_all();
    }
    bool wait_for_post() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [this] { return m_posted > 0; });
    }

  private:
    VirtualLoop m_loop;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_posted = 0;
};

TEST(StopSignals, ASignalRunsTheCloseOnTheLoopsOwnThread) {
    for (int signo : {SIGTERM, SIGINT}) {
        WatchedLoop loop;
        int closed = 0;
        struct sigaction before {};
        ::sigaction(signo, nullptr, &before);
        {
            app::StopSignals stop(loop, [&] { ++closed; });
            ::raise(signo);
            ASSERT_TRUE(loop.wait_for_post());
            EXPECT_EQ(closed, 0);  // nothing runs behind the loop's back
            loop.pump();
            EXPECT_EQ(closed, 1);
        }
        struct sigaction after {};
        ::sigaction(signo, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler);  // the old handler is back
    }
}

// In a child process: the exit status of a close that never comes.
int status_of_a_stuck_close(int first, int second, int grace_ms) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);  // a hang guard: SIGALRM is never the answer looked for
        VirtualLoop loop;
        app::StopSignals stop(
            loop, [] {}, grace_ms);
        ::raise(first);
        if (second) ::raise(second);
        for (;;) ::pause();  // the loop is never pumped
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(StopSignals, ASecondSignalOrAStuckCloseEndsAtOnce) {
    int s = status_of_a_stuck_close(SIGINT, SIGINT, 60000);
    ASSERT_TRUE(WIFEXITED(s));
    EXPECT_EQ(WEXITSTATUS(s), 128 + SIGINT);
    s = status_of_a_stuck_close(SIGTERM, 0, 50);
    ASSERT_TRUE(WIFEXITED(s));
    EXPECT_EQ(WEXITSTATUS(s), 128 + SIGTERM);
}

// The real program with windows (offscreen) and real playback on the dummy sound driver.
TEST(ProgramRun, SigtermWhilePlayingClosesAsTheCloseLabelDoes) {
    test::TempDir home, music, script;
    tools::ToneSpec spec;
    spec.seconds = 30.0;
    ASSERT_TRUE(tools::write_tone_mp3(music.file("long.mp3"), spec));
    home.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + music.path() + "\n");
    script.touch("s", "answer Bob\nclick Form1.File1 0\nclick Form1.lbplay\nwait 60\n");
    test::Launch l;
    l.args = {RAVELIN_EXE, "--screen-name", "Tester",        "--home",
              home.path(), "--script",      script.file("s")};
    l.set_env = {{"QT_QPA_PLATFORM", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}};
    l.signal_after = "playing:-";
    l.signo = SIGTERM;
    auto f = test::run_process(l);
    ASSERT_FALSE(f.timed_out) << f.out << f.err;
    EXPECT_EQ(f.exit_code(), 0) << f.err;
    const std::size_t play = f.out.find("playing:-");
    const std::size_t off = f.out.find("PowerOff");
    ASSERT_NE(off, std::string::npos) << f.out;
    EXPECT_LT(play, off);
    EXPECT_NE(f.out.find("Vade3r: </b><FONT COLOR=#3366FF>Bob<FONT COLOR=#3366FF>, ", off),
              std::string::npos);
    // Far less than the minute the script would still wait: a generous bound for a loaded
    // machine, which the close takes well under a second to meet.
    EXPECT_LT(f.seconds_after_signal, 20.0);
}

}  // namespace
}  // namespace rv
