#pragma once
// The program's windows on a Qt platform, for the tests that look at them: a program with the
// stand-in client's window, a loop to run checks in, and a way to find a window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/form_view.h"
#include "platform/qt/qt_front.h"
#include "standin/view/client_view.h"
#include "tests/helpers.h"

namespace rv::test {

inline int g_argc = 1;
inline char g_name[] = "view_test";
inline char* g_argv[] = {g_name, nullptr};

inline QWidget* window_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible()) return w;
    return nullptr;
}

// Whether the windows are on an X server, for the checks of what the server itself shows.
inline ::testing::AssertionResult on_x_server() {
    if (QGuiApplication::platformName() == "xcb") return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "runs on an X server (tests/view/on_xvfb.sh), not on "
                                         << QGuiApplication::platformName().toStdString();
}

// The shown window of `form`.
inline qt::FormView* view_of(const forms::Form& form) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = dynamic_cast<qt::FormView*>(w); v && &v->form() == &form && v->isVisible())
            return v;
    return nullptr;
}

// The window's pixels as the X server holds them (where something lies over it, what it
// keeps of it).
inline QImage on_screen(QWidget& w) {
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Qt's painting of the window now.
inline QImage painted(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How many pixels of `a` and `b` differ by more than `tolerance` in a channel (the server
// and Qt round a blend's last bit each their own way), outside `skip`.
inline int differing(const QImage& a, const QImage& b, int tolerance = 3,
                     const QRegion& skip = QRegion()) {
    if (a.size() != b.size()) return a.width() * a.height() + 1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!skip.isEmpty() && skip.contains(QPoint(x, y))) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            n += d > tolerance;
        }
    return n;
}

// How many pixels of the window on the screen differ from Qt's painting of it now.
inline int unlike_painted(QWidget& w) {
    return differing(on_screen(w), painted(w));
}

// The same for what the screen shows of `w` where none of `above` lies over it: what a
// person sees of it, taken from the screen itself.
inline int seen_unlike_painted(QWidget& w, const std::vector<QWidget*>& above) {
    const QRect at = w.geometry();
    const QImage seen = w.screen()
                            ->grabWindow(0, at.x(), at.y(), at.width(), at.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    QRegion covered;
    for (QWidget* a : above)
        if (a->isVisible()) covered += a->geometry().translated(-at.topLeft());
    return differing(seen, painted(w), 3, covered);
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
        // A text box's caret blinks on a clock of its own: held still, the screen and Qt's
        // painting of a window can be compared at any moment.
        QApplication::setCursorFlashTime(0);
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

// The program with a folder of four tracks of 100 s, counting the tracks it opens and the
// lines the room receives.
struct PlayerOnScreen {
    PlayerOnScreen() {
        std::filesystem::create_directories(music.path());
        for (const char* n : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) music.touch(n);
        std::ofstream(home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=" << music.path() << "\n";
        s = std::make_unique<ProgramOnScreen>(home.path(), [this](const std::string&) {
            ++opens;
            return 100.0;
        });
        seen = s->program->client.on_line.subscribe(
            [this](const standin::Room&, const standin::ChatLine& l) { lines += l.html + "\n"; });
    }
    // Runs `body` in the loop once the program has started; the test fails unless it ran.
    void run_started(const std::function<void()>& body) {
        bool ran = false;
        run_in_loop(s->front, [&] {
            s->program->start();
            settle(s->front);
            body();
            ran = true;
        });
        EXPECT_TRUE(ran);
    }
    // The same, handing `body` the main window.
    void on_main_window(const std::function<void(QWidget*)>& body) {
        run_started([&] {
            QWidget* w = window_titled("Ravelin By Vosk");
            ASSERT_NE(w, nullptr);
            body(w);
        });
    }

    TempDir home, music;
    int opens = 0;
    std::string lines;
    std::unique_ptr<ProgramOnScreen> s;
    Subscription seen;
};

}  // namespace rv::test
