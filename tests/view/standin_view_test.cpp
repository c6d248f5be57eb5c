// The stand-in client's view on the offscreen platform: its windows follow the model and a
// person's input reaches the model as window messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "platform/loop/virtual_loop.h"
#include "standin/client.h"
#include "standin/view/client_view.h"

namespace rv {
namespace {

QWidget* window_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible()) return w;
    return nullptr;
}

class StandInView : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "standin_view_test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }
    // Lets the view's coalesced refresh run.
    void settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QApplication::sendPostedEvents();
        }
        QTimer::singleShot(30, [] {});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 40) QApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    static QApplication* app;
    VirtualLoop loop;
    winapi::Desktop desktop;
    standin::Client client{desktop, loop, "Me"};
};
QApplication* StandInView::app = nullptr;

TEST_F(StandInView, ClosingTheChatWindowMinimisesIt) {
    client.open_room("Lobby");
    standin::ClientView view(client, 10, 10);
    QWidget* w = window_titled("Chat Client - Me");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isMinimized());
    EXPECT_TRUE(desktop.IsWindow(client.frame()));
}

}  // namespace
}  // namespace rv
