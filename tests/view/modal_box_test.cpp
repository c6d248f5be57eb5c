// The program's modal boxes on the Qt view: above the window that asks and above every window
// of ours that stays on top.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/qt_front.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

// What a box was like while it was open.
struct OpenBox {
    std::string prompt;
    bool stays_on_top = false;
    const QWindow* owner = nullptr;
};

// Answers every input box that opens with "Bob", writing down what it was like.
class Answerer {
  public:
    explicit Answerer(std::vector<OpenBox>& seen) {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, [&seen] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen.push_back(
                {box->labelText().toStdString(),
                 (box->windowFlags() & Qt::WindowStaysOnTopHint) != 0,
                 box->windowHandle() ? box->windowHandle()->transientParent() : nullptr});
            box->setTextValue("Bob");
            box->accept();
        });
        m_poll.start();
    }

  private:
    QTimer m_poll;
};

TEST(ViewModalBox, EveryPromptStaysOnTopAndTheAwayReasonBelongsToTheAwayWindow) {
    ProgramOnScreen s;
    app::Program& program = *s.program;
    program.env.set_input_box(s.front.input_box());
    program.env.set_screen_size_twips(s.front.screen_width_twips(), s.front.screen_height_twips());
    std::vector<OpenBox> seen;
    Answerer answerer(seen);
    bool checked = false;
    run_in_loop(s.front, [&] {
        program.start();  // asks for the handle
        settle(s.front);
        program.form1.Label4->user_click();  // the away window asks for the handle again
        settle(s.front);
        QWidget* afk = window_titled("afk bot");
        ASSERT_NE(afk, nullptr);
        ASSERT_TRUE(afk->windowFlags() & Qt::WindowStaysOnTopHint);
        afk->activateWindow();
        settle(s.front);
        program.afk1.Command1->user_click();  // Start: the reason
        settle(s.front);
        ASSERT_EQ(seen.size(), 3u);
        for (const OpenBox& box : seen) EXPECT_TRUE(box.stays_on_top) << box.prompt;
        EXPECT_EQ(seen[2].prompt, "Whats Ur Lie???");
        EXPECT_EQ(seen[2].owner, afk->windowHandle());
        EXPECT_EQ(program.afk1.afkReason, "Bob");
        checked = true;
    });
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace rv
