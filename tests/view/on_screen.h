#pragma once
// The program's windows on a Qt platform, for the tests that look at them: a program with the
// stand-in client's window, a loop to run checks in, and a way to find a window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"
#include "standin/view/client_view.h"

namespace rv::test {

inline int g_argc = 1;
inline char g_name[] = "view_test";
inline char* g_argv[] = {g_name, nullptr};

inline QWidget* window_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible()) return w;
    return nullptr;
}

// Runs `body` once the loop runs, and quits afterwards even when a failed assertion returns
// from it early; a body that never returns is cut off by a watchdog and fails.
inline void run_in_loop(qt::QtFront& front, const std::function<void()>& body) {
    bool timed_out = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timed_out = true;
        front.quit();
    });
    watchdog.start(60000);
    front.at_start([&] {
        struct QuitAfter {
            qt::QtFront& front;
            ~QuitAfter() { front.quit(); }
        } quit{front};
        body();
    });
    front.exec();
    EXPECT_FALSE(timed_out) << "the checks did not finish within a minute";
}

inline void settle(qt::QtFront& front, double seconds = 0.2) {
    front.loop().wait_until(front.loop().now() + seconds);
}

struct ProgramOnScreen {
    // No track of any folder plays.
    ProgramOnScreen()
        : ProgramOnScreen(::testing::TempDir(), [](const std::string&) { return 0.0; }) {}
    // A program whose folder is `home` and whose tracks last what `probe` says.
    ProgramOnScreen(const std::string& home, std::function<double(const std::string&)> probe)
        : media(front.loop(), std::move(probe)) {
        options.home = home;
        options.screen_name = "Viewer";
        program = std::make_unique<app::Program>(front.loop(), media, options);
        program->services.end_program = [this] { ended = true; };
        program->env.set_input_box(
            [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
        front.show_forms(program->env);
        client_view = std::make_unique<standin::ClientView>(program->client, 520, 157);
    }
    qt::QtFront front{g_argc, g_argv};
    media::VirtualPlayer media;
    app::Options options;
    std::unique_ptr<app::Program> program;
    std::unique_ptr<standin::ClientView> client_view;
    bool ended = false;
};

}  // namespace rv::test
