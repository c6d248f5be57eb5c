// A second start of the real program, on a real X server (run under Xvfb), while this one
// runs with its windows minimised: they come back and in front, and the files the second
// start was given play here as files on this program's own command line do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/later_starts.h"
#include "platform/qt/form_view.h"
#include "platform/qt/single_instance.h"
#include "tests/helpers.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

// A user's click on `label` through its window, at the label's middle.
void click_label(QWidget& window, const forms::Form& form, const forms::Control& label) {
    const double px_per_twip = window.width() / static_cast<double>(form.width());
    const QPointF at((label.left() + label.width() / 2) * px_per_twip,
                     (label.top() + label.height() / 2) * px_per_twip);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, window.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &e);
    }
}

QWidget* client_window() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().startsWith("Chat Client")) return w;
    return nullptr;
}

TEST(SecondStart, BringsBackTheMinimisedWindowsAndPlaysItsFiles) {
    TempDir home, music, runtime;
    ::chmod(runtime.path().c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    std::filesystem::create_directories(music.path());
    for (const char* n : {"a.mp3", "b b.mp3", "c.mp3"}) music.touch(n);
    std::ofstream(home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=" << music.path() << "\n";
    ProgramOnScreen s(home.path(), [](const std::string&) { return 100.0; });
    ASSERT_TRUE(on_x_server());
    app::Program& program = *s.program;
    // As the program wires it: a later start's request goes to the same bring-back and play.
    app::LaterStarts later(program, [&] {
        s.front.raise_windows();
        s.client_view->raise();
    });
    qt::SingleInstance instance;
    std::string why;
    ASSERT_EQ(instance.start(
                  {}, [&](const std::vector<std::string>& files) { later.request(files); }, why),
              qt::SingleInstance::Start::Listening)
        << why;
    run_in_loop(s.front, [&] {
        program.start();
        later.started();
        program.show_equalizer();
        settle(s.front, 0.5);
        QWidget* main = window_titled("Ravelin By Vosk");
        QWidget* client = client_window();
        QWidget* equalizer = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != main && w->isVisible() && dynamic_cast<qt::FormView*>(w) &&
                w->windowTitle() == QString::fromStdString(program.equalizer.caption()))
                equalizer = w;
        ASSERT_TRUE(main && client && equalizer);
        // One of the client's own windows, on the screen apart from it.
        program.client.open_im("Mia");
        settle(s.front, 0.3);
        QWidget* im = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != client && !dynamic_cast<qt::FormView*>(w)) im = w;
        ASSERT_NE(im, nullptr) << "no instant-message window";
        // The main window by its "-" label, the client by closing it (it only minimises while
        // the program runs), the equalizer and the instant message by the desktop (the
        // equalizer's model follows).
        click_label(*main, program.form1, *program.form1.lbmin);
        client->close();
        equalizer->showMinimized();
        im->showMinimized();
        settle(s.front, 0.3);
        ASSERT_EQ(program.form1.window_state(), forms::WindowState::Minimized);
        ASSERT_TRUE(main->isMinimized());
        ASSERT_TRUE(client->isMinimized());
        ASSERT_TRUE(equalizer->isMinimized());
        ASSERT_TRUE(im->isMinimized());
        ASSERT_EQ(program.equalizer.window_state(), forms::WindowState::Minimized);

        // The real program started again, from the music folder, with a file named as a
        // person in that folder would name it.
        QProcess second;
        second.setWorkingDirectory(QString::fromStdString(music.path()));
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(RAVELIN_EXE,
                     {"--home", QString::fromStdString(home.path()), "b b.mp3", "not there.mp3"});
        for (int i = 0; i < 100 && second.state() != QProcess::NotRunning; ++i)
            settle(s.front, 0.1);
        ASSERT_EQ(second.state(), QProcess::NotRunning) << "the second start did not end";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        settle(s.front, 0.3);

        EXPECT_EQ(program.form1.window_state(), forms::WindowState::Normal);
        EXPECT_FALSE(main->isMinimized());
        EXPECT_FALSE(client->isMinimized());
        EXPECT_FALSE(equalizer->isMinimized());
        EXPECT_FALSE(im->isMinimized());
        EXPECT_EQ(program.equalizer.window_state(), forms::WindowState::Normal);
        EXPECT_TRUE(main->isVisible() && client->isVisible() && equalizer->isVisible());
        EXPECT_EQ(program.form1.File1->file_name(), "b b.mp3");
        EXPECT_EQ(s.media.PlayState(), media::kPlaying);
        EXPECT_EQ(s.media.open_path(), music.file("b b.mp3"));

        // A bare start brings them back again and plays nothing new.
        click_label(*main, program.form1, *program.form1.lbmin);
        settle(s.front, 0.3);
        ASSERT_TRUE(main->isMinimized());
        second.start(RAVELIN_EXE, {"--home", QString::fromStdString(home.path())});
        for (int i = 0; i < 100 && second.state() != QProcess::NotRunning; ++i)
            settle(s.front, 0.1);
        EXPECT_EQ(second.exitCode(), 0);
        settle(s.front, 0.3);
        EXPECT_FALSE(main->isMinimized());
        EXPECT_EQ(s.media.open_path(), music.file("b b.mp3"));
    });
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace rv
