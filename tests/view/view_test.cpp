// The Qt view on the offscreen platform: real windows follow the models.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"
#include "standin/view/client_view.h"

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
    standin::ClientView client_view(program.client, 520, 157);
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
