// The Qt view on the offscreen platform: real windows follow the models.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <iostream>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"
#include "platform/qt/qt_loop.h"
#include "standin/view/client_view.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

// Counts the paints of a window that show new values of `watched`.
class PaintCounter : public QObject {
  public:
    PaintCounter(int& count, std::function<std::vector<int>()> watched)
        : m_count(count), m_watched(std::move(watched)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        std::vector<int> now = m_watched();
        if (now != m_last) ++m_count;
        m_last = std::move(now);
        return false;
    }

  private:
    int& m_count;
    std::function<std::vector<int>()> m_watched;
    std::vector<int> m_last;
};

TEST(View, MainWindowIsABorderless277By145WindowWithItsGradient) {
    ProgramOnScreen s;
    bool checked = false;
    run_in_loop(s.front, [&] {
        s.program->start();
        settle(s.front);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), QRect(217, 157, 277, 145));
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QImage shot = w->grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(0, 8)).blue(), 3);  // dark red end
        EXPECT_EQ(QColor(shot.pixel(0, 8)).red(), 22);
        EXPECT_EQ(QColor(shot.pixel(276, 8)).blue(), 255);  // blue end
        // Rolling up shrinks the window, top edge in place.
        s.program->form1.Label2_Click();
        settle(s.front, 0.1);
        EXPECT_EQ(w->geometry().top(), 157);
        EXPECT_EQ(w->height(), 16);  // 235 twips
        checked = true;
    });
    EXPECT_TRUE(checked);
}

TEST(View, TheWindowManagersCloseRunsEachWindowsOwnClose) {
    ProgramOnScreen s;
    bool checked = false;
    run_in_loop(s.front, [&] {
        s.program->start();
        auto& chooser = s.program->frmDir;
        s.program->form1.Label3->user_click();
        settle(s.front);
        QWidget* dir = window_titled("Form2");
        ASSERT_NE(dir, nullptr);
        dir->close();  // the chooser cancels: hidden, on screen and in the model
        settle(s.front);
        EXPECT_FALSE(chooser.visible());
        EXPECT_FALSE(dir->isVisible());
        EXPECT_TRUE(chooser.loaded());
        EXPECT_FALSE(s.ended);
        QWidget* main = window_titled("Ravelin By Vosk");
        ASSERT_NE(main, nullptr);
        main->close();  // the main window slides off, says goodbye and ends the program
        settle(s.front, 1.0);
        EXPECT_TRUE(s.ended);
        EXPECT_GT(s.program->form1.left(), s.program->env.screen_width_twips());
        checked = true;
    });
    EXPECT_TRUE(checked);
}

// A window whose button reloads it on a press, and paints its picture at every load.
class Reloader : public forms::Form {
  public:
    using Form::Form;
    forms::Label* button = nullptr;
    forms::PictureBox* pic = nullptr;
    forms::Color colour = 0x0000FF;
    int clicks = 0;

  protected:
    void build() override {
        set_caption("Reloader");
        set_back_color(forms::kBlack);
        set_left(1500);
        set_top(1500);
        set_width(3000);
        set_height(1500);
        pic = add<forms::PictureBox>("pic");
        pic->move(0, 600, 1500, 300);
        button = add<forms::Label>("button");
        button->move(0, 0, 1500, 300);
        button->set_caption("reload");
        button->on_mouse_down = [this](int, int, float, float) {
            Unload();
            Show();
        };
        button->on_click = [this] { ++clicks; };
    }
    void Form_Load() override { pic->fill_box(0, 0, 1500, 300, colour); }
};

void send_mouse_at(QWidget* w, QEvent::Type type, QPoint global) {
    QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void send_mouse(QWidget* w, QEvent::Type type, QPoint local) {
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST(View, AClosedWindowLeavesTheScreenAndComesBackWhereItStood) {
    ProgramOnScreen s;
    app::Program& program = *s.program;
    bool checked = false;
    run_in_loop(s.front, [&] {
        program.start();
        program.form1.Label12->user_click();
        program.show_equalizer();
        settle(s.front);
        struct Case {
            const char* what;
            forms::Form& form;
            std::function<void(QWidget*)> close;
            std::function<void()> open;
        };
        const auto x = [](forms::Label* label) {
            return [label](QWidget* w) {
                const QPoint p(static_cast<int>((label->abs_left() + label->width() / 2) / 15),
                               static_cast<int>((label->abs_top() + label->height() / 2) / 15));
                send_mouse(w, QEvent::MouseButtonPress, p);
                send_mouse(w, QEvent::MouseButtonRelease, p);
            };
        };
        const auto window_manager = [](QWidget* w) { w->close(); };
        const auto cmds = [&] { program.form1.Label12->user_click(); };
        const auto eq = [&] { program.show_equalizer(); };
        const Case cases[] = {
            {"help, x", program.form3, x(program.form3.Label2), cmds},
            {"help, the window manager's close", program.form3, window_manager, cmds},
            {"equalizer, x", program.equalizer, x(program.equalizer.Label2), eq},
            {"equalizer, the window manager's close", program.equalizer, window_manager, eq},
        };
        for (const auto& c : cases) {
            QWidget* w = nullptr;
            for (QWidget* t : QApplication::topLevelWidgets())
                if (t->isVisible() &&
                    t->geometry().topLeft() == QPoint(static_cast<int>(c.form.left() / 15),
                                                      static_cast<int>(c.form.top() / 15)))
                    w = t;
            ASSERT_NE(w, nullptr) << c.what;
            const QRect stood = w->geometry();
            c.close(w);
            settle(s.front, 0.5);
            EXPECT_FALSE(w->isVisible()) << c.what;
            c.open();
            settle(s.front);
            EXPECT_TRUE(w->isVisible()) << c.what;
            EXPECT_EQ(w->geometry(), stood) << c.what;
        }
        checked = true;
    });
    EXPECT_TRUE(checked);
}

TEST(View, AReloadDuringAPressLeavesNoPointerOrPictureOfTheOldControls) {
    qt::QtFront front(g_argc, g_argv);
    forms::Environment env(front.loop());
    front.show_forms(env);
    Reloader f(env, "Reloader");
    bool checked = false;
    run_in_loop(front, [&] {
        f.Show();
        settle(front);
        QWidget* w = window_titled("Reloader");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(QColor(w->grab().toImage().pixel(10, 50)), QColor(255, 0, 0));
        f.colour = 0xFF0000;  // blue from the next load on
        send_mouse(w, QEvent::MouseButtonPress, QPoint(10, 10));
        send_mouse(w, QEvent::MouseMove, QPoint(12, 10));
        send_mouse(w, QEvent::MouseButtonRelease, QPoint(12, 10));
        EXPECT_EQ(f.clicks, 0);  // the press and the release met different controls
        settle(front);
        EXPECT_EQ(QColor(w->grab().toImage().pixel(10, 50)), QColor(0, 0, 255));
        // The new button takes clicks as any other.
        f.button->on_mouse_down = nullptr;
        send_mouse(w, QEvent::MouseButtonPress, QPoint(10, 10));
        send_mouse(w, QEvent::MouseButtonRelease, QPoint(10, 10));
        EXPECT_EQ(f.clicks, 1);
        checked = true;
    });
    EXPECT_TRUE(checked);
}

TEST(View, DraggingByTheScrollingTitleFollowsThePointerOnly) {
    ProgramOnScreen s;
    bool checked = false;
    run_in_loop(s.front, [&] {
        s.program->start();
        settle(s.front);
        QWidget* w = window_titled("Ravelin By Vosk");
        ASSERT_NE(w, nullptr);
        auto& f = s.program->form1;
        const float left = f.left(), top = f.top();
        f.lbtitle->set_left(1500);
        const QPoint press = w->mapToGlobal(QPoint((1500 + 300) / 15, 5));
        send_mouse_at(w, QEvent::MouseButtonPress, press);
        settle(s.front, 0.3);  // the title scrolls on under the still pointer
        ASSERT_LT(f.lbtitle->left(), 1400);
        send_mouse_at(w, QEvent::MouseMove, press + QPoint(0, -60));  // straight up
        settle(s.front, 0.1);
        send_mouse_at(w, QEvent::MouseMove, press + QPoint(0, -120));
        send_mouse_at(w, QEvent::MouseButtonRelease, press + QPoint(0, -120));
        EXPECT_EQ(f.left(), left);
        EXPECT_EQ(f.top(), top - 120 * 15);
        settle(s.front);
        EXPECT_EQ(w->geometry().topLeft(), QPoint(217, 157 - 120));
        checked = true;
    });
    EXPECT_TRUE(checked);
}

TEST(View, TheAfkWindowOpensCentredBlackOnTopWithItsStrips) {
    ProgramOnScreen s;
    qt::QtFront& front = s.front;
    app::Program& program = *s.program;
    // Windows that centre themselves need the real screen.
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    bool checked = false;
    front.at_start([&] {
        program.start();
        program.form1.Label4->user_click();
        front.loop().wait_until(front.loop().now() + 0.2);
        QWidget* w = window_titled("afk bot");
        ASSERT_NE(w, nullptr);
        const QRect screen = w->screen()->geometry();
        EXPECT_EQ(w->size(), QSize(253, 107));  // 3795 by 1605 twips
        EXPECT_NEAR(w->geometry().center().x(), screen.center().x(), 1);
        EXPECT_NEAR(w->geometry().center().y(), screen.center().y(), 1);
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QImage shot = w->grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(0, 4)).red(), 22);  // the top strip, dark red end
        // The strip is 257 pixels wide, wider than the window: its last column is cut off.
        EXPECT_EQ(QColor(shot.pixel(252, 4)).blue(), 253);
        EXPECT_EQ(QColor(shot.pixel(2, 100)).red(), 22);  // the lower strip beside the list
        EXPECT_EQ(shot.pixel(40, 80), qRgb(0, 0, 0));     // the empty list, black
        // Leaving the topmost band reaches the window too.
        program.afk1.Label1->user_dbl_click();
        front.loop().wait_until(front.loop().now() + 0.1);
        EXPECT_FALSE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        // Exit hides it.
        program.afk1.Label8->user_dbl_click();
        front.loop().wait_until(front.loop().now() + 0.1);
        EXPECT_FALSE(w->isVisible());
        checked = true;
        front.quit();
    });
    front.exec();
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

TEST(ViewLoop, TimersWakeOnAShared25MsGridFastOnesInBatches) {
    using qt::QtLoop;
    struct Case {
        std::int64_t interval, deadline, last_batch, wake;
    };
    const Case cases[] = {
        {25000, 1000, 0, 25000},        // every equalizer tick, on the shared grid
        {25000, 50000, 0, 50000},       // already on the grid
        {25000, 51000, 50000, 75000},   // the batch does not hold it back
        {60000000, 1000, 0, 50000},     // the minute timer, with the batches
        {50000, 51000, 50000, 100000},  // the chat scanner's poll, with the batches too
        {50000, 76000, 0, 100000},      // the chat scanner's poll
        {10000, 1000, 0, 50000},        // a marquee waits for its batch
        {10000, 90000, 0, 100000},      // a late one for the grid
        {10000, 10000, 50000, 100000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtLoop::wake_at(c.interval, c.deadline, c.last_batch), c.wake)
            << c.interval << " " << c.deadline << " " << c.last_batch;
}

TEST(View, HelpWindowAndEqualizerAsRealWindows) {
    ProgramOnScreen s;
    qt::QtFront& front = s.front;
    app::Program& program = *s.program;
    // Windows that centre themselves need the real screen.
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    bool checked = false;
    front.at_start([&] {
        program.start();
        program.form1.Label12->user_click();
        program.show_equalizer();
        front.loop().wait_until(front.loop().now() + 0.2);

        QWidget* help = window_titled("Form3");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->size(), QSize(163, 120));
        EXPECT_TRUE(help->windowFlags() & Qt::WindowStaysOnTopHint);
        auto* editor = help->findChild<QPlainTextEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->toPlainText().toStdString().substr(0, 16), "\".p\" -Play Song\n");
        EXPECT_EQ(editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_GT(editor->verticalScrollBar()->maximum(), 0);  // not all 18 lines fit
        // A user's edit reaches the model with the box's own line breaks.
        editor->setPlainText("one\ntwo");
        EXPECT_EQ(program.form3.Text1->text(), "one\r\ntwo");

        QWidget* eq = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Form2") eq = w;
        ASSERT_NE(eq, nullptr);
        EXPECT_EQ(eq->size(), QSize(224, 202));
        EXPECT_FALSE(eq->windowFlags() & Qt::WindowStaysOnTopHint);

        // Every tick's levels reach the screen: a paint with new levels per tick, give or
        // take a loaded machine's lag.
        int paints = 0, ticks = 0;
        PaintCounter counter(paints, [&] {
            std::vector<int> levels;
            for (auto* bar : program.equalizer.DogBar) levels.push_back(bar->value());
            return levels;
        });
        eq->installEventFilter(&counter);
        auto tick = program.equalizer.Timer1->on_timer;
        program.equalizer.Timer1->on_timer = [&] {
            tick();
            ++ticks;
        };
        program.equalizer.Label3_Click();
        front.loop().wait_until(front.loop().now() + 1.0);
        std::cout << "equalizer: " << ticks << " ticks, " << paints
                  << " paints with new levels in 1 s\n";
        EXPECT_GE(ticks, 10);
        EXPECT_GE(paints, ticks / 2);
        checked = true;
        front.quit();
    });
    front.exec();
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace rv
