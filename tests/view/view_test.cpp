// The Qt view on the offscreen platform: real windows follow the models.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"

namespace rv {
namespace {

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

TEST(View, TheAfkWindowOpensCentredBlackOnTopWithItsStrips) {
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
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    program.env.set_input_box(
        [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
    front.show_forms(program.env);
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
