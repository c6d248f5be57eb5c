// The stand-in client's view on the offscreen platform: its windows follow the model and a
// person's input reaches the model as window messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <functional>
#include <string_view>

#include "platform/loop/virtual_loop.h"
#include "standin/chat_network.h"
#include "standin/client.h"
#include "standin/net/transport.h"
#include "standin/view/client_view.h"
#include "standin/view/elided_label.h"

namespace rv {
namespace {

QWidget* window_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible()) return w;
    return nullptr;
}

QWidget* popup() {
    return QApplication::activePopupWidget();
}

QPushButton* button(QWidget* in, const QString& text) {
    for (QPushButton* b : in->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Runs Qt's events until `done` holds, for at most five seconds unless told.
bool wait_for(const std::function<bool()>& done, qint64 limit_ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limit_ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
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

TEST_F(StandInView, TheTranscriptShowsNoMoreLinesThanTheRoomKeeps) {
    using standin::Room;
    Room& room = client.open_room("Lobby");
    standin::ClientView view(client, 10, 10);
    QWidget* main = window_titled("Chat Client - Me");
    ASSERT_NE(main, nullptr);
    QTextDocument* shown = main->findChild<QPlainTextEdit*>()->document();
    std::size_t said = 0;
    // Bursts the view draws in between, one of them longer than the room keeps.
    for (std::size_t burst : {std::size_t{2000}, Room::kMaxLines + 500, std::size_t{3000}}) {
        for (const std::size_t end = said + burst; said < end; ++said)
            client.say_as(room, "Ann", "line " + std::to_string(said));
        const QString last = QChar(0xA0) + QString("line %1").arg(said - 1);
        // Thousands of lines to draw: a bound for a loaded machine, not a goal.
        ASSERT_TRUE(wait_for([&] { return shown->lastBlock().text().endsWith(last); }, 60000));
        const int count = shown->blockCount();
        EXPECT_LE(count, static_cast<int>(Room::kMaxLines));
        // The last lines said, in order, with none left out.
        const QString first =
            QChar(0xA0) + QString("line %1").arg(said - static_cast<std::size_t>(count));
        EXPECT_TRUE(shown->firstBlock().text().endsWith(first))
            << shown->firstBlock().text().toStdString();
    }
}

TEST_F(StandInView, TheMailMenuByMouseOpensAMailboxWithItsTabsAndList) {
    standin::ClientView view(client, 10, 10);
    QWidget* main = window_titled("Chat Client - Me");
    ASSERT_NE(main, nullptr);
    QTest::mouseClick(button(main, "Mail"), Qt::LeftButton);
    ASSERT_TRUE(wait_for([] { return popup() != nullptr; }));
    EXPECT_NE(desktop.FindWindowA("#32768", nullptr), 0u);
    auto* entries = popup()->findChild<QListWidget*>();
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->count(), 7);
    // Mailboxes, then Sent Mail in the submenu beside it.
    QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                      entries->visualItemRect(entries->item(1)).center());
    ASSERT_TRUE(wait_for([&] { return popup() && popup()->findChild<QListWidget*>() != entries; }));
    auto* sub = popup()->findChild<QListWidget*>();
    EXPECT_GT(popup()->x(), entries->window()->x());
    QTest::mouseClick(sub->viewport(), Qt::LeftButton, {},
                      sub->visualItemRect(sub->item(2)).center());
    const QString title = "Me's Online Mailbox";
    ASSERT_TRUE(wait_for([&] { return window_titled(title) != nullptr && popup() == nullptr; }));
    EXPECT_EQ(desktop.FindWindowA("#32768", nullptr), 0u);
    QWidget* box = window_titled(title);
    auto* tabs = box->findChild<QTabBar*>();
    EXPECT_EQ(tabs->currentIndex(), 2);
    auto* rows = box->findChild<QListWidget*>();
    EXPECT_EQ(rows->count(), 0);
    loop.advance(3);  // the list fills on the client's time
    ASSERT_TRUE(wait_for([&] { return rows->count() == 9; }));
    // A tab chosen on screen is the tab the model shows.
    tabs->setCurrentIndex(1);
    auto* mailbox = client.find<standin::MailboxWindow>(
        desktop.FindWindowExA(client.mdi(), 0, "AOL Child", title.toStdString().c_str()));
    ASSERT_NE(mailbox, nullptr);
    EXPECT_EQ(mailbox->tab(), 1);
    // Closed on screen: the model closes it, and the screen follows.
    box->close();
    EXPECT_EQ(client.find<standin::MailboxWindow>(mailbox->window()), nullptr);
    EXPECT_TRUE(wait_for([&] { return window_titled(title) == nullptr; }));
}

TEST_F(StandInView, TheMailboxesSubmenuOpensUnderThePointer) {
    standin::ClientView view(client, 10, 10);
    QWidget* main = window_titled("Chat Client - Me");
    ASSERT_NE(main, nullptr);
    QTest::mouseClick(button(main, "Mail"), Qt::LeftButton);
    ASSERT_TRUE(wait_for([] { return popup() != nullptr; }));
    auto* entries = popup()->findChild<QListWidget*>();
    ASSERT_NE(entries, nullptr);
    ASSERT_TRUE(entries->item(1)->text().startsWith("Mailboxes"));
    QTest::mouseMove(entries->viewport(), entries->visualItemRect(entries->item(1)).center());
    ASSERT_TRUE(wait_for([&] { return popup() && popup()->findChild<QListWidget*>() != entries; }));
    EXPECT_EQ(popup()->findChild<QListWidget*>()->count(), 3);
    QTest::keyClick(popup(), Qt::Key_Escape);  // the submenu closes
    ASSERT_TRUE(wait_for([&] { return popup() && popup()->findChild<QListWidget*>() == entries; }));
    QTest::keyClick(popup(), Qt::Key_Escape);  // and the menu
    EXPECT_TRUE(wait_for([] { return popup() == nullptr; }));
    EXPECT_TRUE(client.windows().empty()) << "nothing was chosen";
}

// A connection that never opens: every attempt is refused.
struct RefusingTransport : standin::net::Transport {
    void open(const standin::net::Endpoint&) override { ++attempts; }
    void send(std::string_view) override {}
    void close() override {}
    int attempts = 0;
};

TEST_F(StandInView, ALongStatusIsCutShortAndTheWindowKeepsItsSize) {
    RefusingTransport transport;
    standin::ChatNetwork network(client, loop, transport);
    standin::ClientView view(client, 10, 10);
    QWidget* main = window_titled("Chat Client - Me");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(wait_for([&] { return main->isVisible(); }));
    const QSize size = main->size();
    standin::net::Endpoint server;
    server.host = "irc.a-network-whose-name-is-far-too-long-for-any-status-line.example.org";
    server.channel = "#music";
    network.start(server, "");
    ASSERT_EQ(transport.attempts, 1);
    transport.on_closed("Connection refused");
    standin::ElidedLabel* status = nullptr;  // no meta-object of its own: found by its type
    for (QLabel* l : main->findChildren<QLabel*>())
        if (auto* e = dynamic_cast<standin::ElidedLabel*>(l)) status = e;
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(wait_for([&] { return status->full_text().contains("trying again"); }));
    QApplication::processEvents();
    EXPECT_EQ(main->size(), size);
    EXPECT_TRUE(status->text().endsWith(QChar(0x2026))) << status->text().toStdString();
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
    EXPECT_EQ(status->toolTip(), status->full_text());
    EXPECT_LE(main->minimumSizeHint().width(), size.width());
}

TEST_F(StandInView, AnInstantMessageToTheToggleAndItsMessageBox) {
    standin::ClientView view(client, 10, 10);
    QWidget* main = window_titled("Chat Client - Me");
    QTest::mouseClick(button(main, "IM"), Qt::LeftButton);
    ASSERT_TRUE(wait_for([] { return window_titled("Send Instant Message") != nullptr; }));
    QWidget* im = window_titled("Send Instant Message");
    auto edits = im->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    QTest::keyClicks(edits[0], "$IM_OFF");
    QTest::keyClicks(edits[1], "off");
    QTest::mouseClick(button(im, "Send"), Qt::LeftButton);
    EXPECT_FALSE(client.ims_on());
    ASSERT_TRUE(wait_for([] { return window_titled("America Online") != nullptr; }));
    QWidget* box = window_titled("America Online");
    QStringList texts;
    for (QLabel* l : box->findChildren<QLabel*>()) texts << l->text();
    EXPECT_EQ(texts.filter("now off").size(), 1) << texts.join("|").toStdString();
    QTest::mouseClick(button(box, "OK"), Qt::LeftButton);
    EXPECT_EQ(desktop.FindWindowA("#32770", nullptr), 0u);
    QTest::mouseClick(button(im, "Cancel"), Qt::LeftButton);
    EXPECT_TRUE(wait_for([] {
        return window_titled("America Online") == nullptr &&
               window_titled("Send Instant Message") == nullptr;
    }));
    EXPECT_TRUE(client.windows().empty());
}

}  // namespace
}  // namespace rv
