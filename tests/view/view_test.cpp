// The Qt view on the offscreen platform: real windows follow the models.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>
#include <functional>
#include <iostream>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"
#include "platform/qt/qt_loop.h"

namespace rv {
namespace {

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

QWidget* window_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible()) return w;
    return nullptr;
}

TEST(View, MainWindowIsABorderless277By145WindowWithItsGradient) {
    static int argc = 1;
    static char name[] = "view_test";
    static char* argv[] = {name, nullptr};
    qt::QtFront front(argc, argv);
    media::VirtualPlayer media(front.loop(), [](const std::string&) { return 0.0; });
    app::Options options;
    options.home = ::testing::TempDir();
    options.screen_name = "Viewer";
    app::Program program(front.loop(), media, options);
    program.services.end_program = [&] { front.quit(); };
    program.env.set_input_box(
        [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
    front.show_forms(program.env);
    front.show_client(program.client, 520, 157);
    bool checked = false;
    front.at_start([&] {
        program.start();
        front.loop().wait_until(front.loop().now() + 0.2);
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
        program.form1.Label2_Click();
        front.loop().wait_until(front.loop().now() + 0.1);
        EXPECT_EQ(w->geometry().top(), 157);
        EXPECT_EQ(w->height(), 16);  // 235 twips
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
        {25000, 1000, 0, 25000},       // every equalizer tick, on the shared grid
        {25000, 50000, 0, 50000},      // already on the grid
        {25000, 51000, 50000, 75000},  // the batch does not hold it back
        {60000000, 1000, 0, 25000},    // the minute timer too
        {50000, 76000, 0, 100000},     // the chat scanner's poll
        {10000, 1000, 0, 50000},       // a marquee waits for its batch
        {10000, 90000, 0, 100000},     // a late one for the grid
        {10000, 10000, 50000, 100000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtLoop::wake_at(c.interval, c.deadline, c.last_batch), c.wake)
            << c.interval << " " << c.deadline << " " << c.last_batch;
}

TEST(View, HelpWindowAndEqualizerAsRealWindows) {
    static int argc = 1;
    static char name[] = "view_test";
    static char* argv[] = {name, nullptr};
    qt::QtFront front(argc, argv);
    media::VirtualPlayer media(front.loop(), [](const std::string&) { return 0.0; });
    app::Options options;
    options.home = ::testing::TempDir();
    options.screen_name = "Viewer";
    app::Program program(front.loop(), media, options);
    program.services.end_program = [&] { front.quit(); };
    program.env.set_input_box(
        [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    front.show_forms(program.env);
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
