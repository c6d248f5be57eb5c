// The moving captions on a real X server (run under Xvfb): the server composes each step,
// the program paints nothing for it, and what the screen shows is what Qt would paint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/form_view.h"
#include "platform/qt/qt_front.h"
#include "standin/view/client_view.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

struct PaintCount : QObject {
    int paints = 0;
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        ++paints;
        painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    int area() const {
        int a = 0;
        for (const QRect& r : painted) a += r.width() * r.height();
        return a;
    }
};

// How many times `w` is painted while the loop runs for `seconds`.
int paints_during(qt::QtFront& front, QWidget& w, double seconds) {
    PaintCount count;
    w.installEventFilter(&count);
    settle(front, seconds);
    w.removeEventFilter(&count);
    return count.paints;
}

TEST(X11Stage, TheMainWindowsMarqueesMoveWithoutAPaintAndLookAsPainted) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        s.program->start();
        settle(s.front, 0.5);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        PaintCount count;
        w->installEventFilter(&count);
        const QImage before = on_screen(*w);
        const auto title_left = s.program->form1.lbtitle->left();
        settle(s.front, 1.0);
        w->removeEventFilter(&count);
        // Both captions went on moving, and the screen shows it.
        EXPECT_LT(s.program->form1.lbtitle->left(), title_left - 150);
        const QImage after = on_screen(*w);
        EXPECT_GT(differing(before, after, 0), 20);
        // Twenty steps of two marquees, and Qt painted none of them.
        EXPECT_LE(count.paints, 1);
        EXPECT_LE(unlike_painted(*w), 2);
    });
}

TEST(X11Stage, EveryWindowShowsWhatQtPaints) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        s.program->start();
        s.program->show_folder_chooser();
        s.program->show_afk();
        s.program->show_help();
        s.program->show_equalizer();
        settle(s.front, 1.0);
        int windows = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || !dynamic_cast<qt::FormView*>(w)) continue;
            ++windows;
            // The windows overlap: the one looked at comes to the top, and the parts of it
            // that were hidden are drawn.
            w->raise();
            settle(s.front, 0.3);
            // Between the two pictures no step runs: the loop is not pumped.
            const QImage screen = on_screen(*w);
            const QImage qt = painted(*w);
            EXPECT_LE(differing(screen, qt), 2) << w->windowTitle().toStdString();
            if (const char* dir = std::getenv("X11_STAGE_SHOTS")) {
                screen.save(QString("%1/%2-screen.png").arg(dir).arg(windows));
                qt.save(QString("%1/%2-painted.png").arg(dir).arg(windows));
            }
        }
        EXPECT_GE(windows, 5);
    });
}

// A caption that changes while it moves is drawn afresh, and the steps after it are the
// server's again.
TEST(X11Stage, ACaptionThatChangesWhileMovingIsShownAsItIsNow) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        s.program->start();
        settle(s.front, 0.5);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        s.program->form1.lbtitle->set_caption("Another title, somewhat longer");
        settle(s.front, 0.5);
        EXPECT_LE(unlike_painted(*w), 2);
        EXPECT_LE(paints_during(s.front, *w, 0.5), 1);
        EXPECT_LE(unlike_painted(*w), 2);
    });
}

// The time text overlaps the title band's last row: when it changes, Qt draws the text alone
// and the server's copies of the band take the change, so the band is not painted again.
TEST(X11Stage, AChangeInAStageIsPaintedAloneAndTheStepsStayTheServers) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        s.program->start();
        // The song title's band scrolls as it does while a song plays.
        s.program->form1.Label9->set_caption("a song.mp3");
        s.program->form1.Timer3->set_timer_enabled(true);
        settle(s.front, 0.5);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        const auto band_left = s.program->form1.Label9->left();
        PaintCount count;
        w->installEventFilter(&count);
        for (const char* t : {"00:01", "00:02", "00:03", "00:04"}) {
            s.program->form1.txttime->set_text(t);
            settle(s.front, 0.25);
        }
        w->removeEventFilter(&count);
        EXPECT_LT(s.program->form1.Label9->left(), band_left - 100);
        EXPECT_GE(count.paints, 1);
        EXPECT_LE(count.paints, 6);
        EXPECT_LT(count.area(), 4 * 40 * 16) << "more than the time text was painted";
        EXPECT_LE(unlike_painted(*w), 2);
        // The band itself changes colour: the steps after it show the new one.
        s.program->form1.Picture2->set_back_color(0x004000);
        settle(s.front, 0.3);
        EXPECT_LE(unlike_painted(*w), 2);
    });
}

// Leaving the top of the stack makes the window anew: the captions go on being composed on
// the new one, and what it shows is what Qt paints.
TEST(X11Stage, AWindowMadeAnewKeepsItsCaptionsComposed) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        s.program->start();
        settle(s.front, 0.5);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        for (const bool top : {false, true}) {
            s.program->form1.set_topmost(top);
            settle(s.front, 0.5);
            EXPECT_LE(paints_during(s.front, *w, 0.5), 1) << top;
            w->raise();
            settle(s.front, 0.2);
            EXPECT_LE(unlike_painted(*w), 2) << top;
        }
    });
}

}  // namespace
}  // namespace rv
