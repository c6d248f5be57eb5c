// Keys through the Qt view: each key pressed on a window does what a click on its label does,
// room lines included; the help window's text keeps its own keys.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/program.h"
#include "platform/media/media_player.h"
#include "tests/helpers.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

// The player on screen, and a second folder to choose.
struct KeysOnScreen : PlayerOnScreen {
    std::string stored_folder() const {
        const std::string text = slurp_file(home.file("mp3.oca"));
        const auto at = text.find("DIRECTORY=");
        return at == std::string::npos
                   ? ""
                   : text.substr(at + 10, text.find_first_of("\r\n", at) - at - 10);
    }
    TempDir other;
};

TEST(ViewKeys, EachKeyOnTheMainWindowDoesWhatItsLabelDoes) {
    KeysOnScreen p;
    app::Program& program = *p.s->program;
    app::Form1& f = program.form1;
    p.on_main_window([&](QWidget* w) {
        const auto state = [&] { return f.MediaPlayer1.PlayState(); };
        const auto index = [&] { return f.File1->list_index(); };
        // As a user gets there: a paused track is resumed before it is stopped, so the
        // labels a pause switched off are on again.
        const auto stopped_at = [&](int i) {
            if (state() == media::kPaused) f.lbpause_Click();
            f.lbstop_Click();
            f.File1->set_list_index(i);
        };
        const auto playing_at = [&](int i) {
            stopped_at(i);
            f.lbplay_Click();
        };
        const auto paused_at = [&](int i) {
            playing_at(i);
            f.lbpause_Click();
        };
        struct Case {
            const char* what;
            std::function<void()> before;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* line;  // what the room hears once; null: nothing at all
            int opens;
            std::function<bool()> after;
        };
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Case cases[] = {
            {"Space, stopped", [&] { stopped_at(1); }, Qt::Key_Space, none, "playing:-", 1,
             [&] { return state() == media::kPlaying && index() == 1; }},
            {"Space, playing", [&] { playing_at(1); }, Qt::Key_Space, none, nullptr, 0,
             [&] { return state() == media::kPaused; }},
            {"Space, paused", [&] { paused_at(1); }, Qt::Key_Space, none, nullptr, 0,
             [&] { return state() == media::kPlaying; }},
            {"Space, nothing selected", [&] { stopped_at(-1); }, Qt::Key_Space, none, nullptr, 0,
             [&] { return state() == media::kStopped; }},
            {"Right, playing", [&] { playing_at(0); }, Qt::Key_Right, none, "playing:-", 1,
             [&] { return index() == 1 && state() == media::kPlaying; }},
            // "next" is switched off while paused: its key does nothing either.
            {"Right, paused", [&] { paused_at(0); }, Qt::Key_Right, none, nullptr, 0,
             [&] { return index() == 0 && state() == media::kPaused; }},
            {"Left, playing", [&] { playing_at(2); }, Qt::Key_Left, none, "playing:-", 1,
             [&] { return index() == 1; }},
            {"Left, stopped: the selection is only announced", [&] { stopped_at(2); }, Qt::Key_Left,
             none, "playing:-", 0, [&] { return index() == 2; }},
            {"S", [&] { playing_at(0); }, Qt::Key_S, none, "Stoped...", 0,
             [&] { return state() == media::kStopped; }},
            {"R", [&] { stopped_at(-1); }, Qt::Key_R, none, "Random:-", 1,
             [&] { return state() == media::kPlaying && index() >= 0; }},
            {"Down, nothing selected", [&] { stopped_at(-1); }, Qt::Key_Down, none, nullptr, 0,
             [&] { return index() == 0; }},
            {"Down", [&] { stopped_at(1); }, Qt::Key_Down, none, nullptr, 0,
             [&] { return index() == 2 && f.Label9->caption() == "c.mp3"; }},
            {"Down, on the last", [&] { stopped_at(3); }, Qt::Key_Down, none, nullptr, 0,
             [&] { return index() == 3; }},
            {"Up", [&] { stopped_at(2); }, Qt::Key_Up, none, nullptr, 0,
             [&] { return index() == 1 && state() == media::kStopped; }},
            {"Up, on the first", [&] { stopped_at(0); }, Qt::Key_Up, none, nullptr, 0,
             [&] { return index() == 0; }},
            {"Enter", [&] { stopped_at(3); }, Qt::Key_Return, none, "playing:-", 1,
             [&] { return index() == 3 && state() == media::kPlaying; }},
            {"Enter on the keypad", [&] { stopped_at(2); }, Qt::Key_Enter, Qt::KeypadModifier,
             "playing:-", 1, [&] { return index() == 2; }},
            {"Ctrl+S is no key of the player's", [&] { playing_at(0); }, Qt::Key_S,
             Qt::ControlModifier, nullptr, 0, [&] { return state() == media::kPlaying; }},
            {"another key", [&] { playing_at(0); }, Qt::Key_F, none, nullptr, 0,
             [&] { return state() == media::kPlaying; }},
            {"L", nullptr, Qt::Key_L, none, nullptr, 0,
             [&] { return program.frmDir.visible() && window_titled("Form2") != nullptr; }},
            {"Escape", nullptr, Qt::Key_Escape, none, nullptr, 0,
             [&] { return f.window_state() == forms::WindowState::Minimized; }},
        };
        for (const auto& c : cases) {
            if (c.before) c.before();
            settle(p.s->front, 0.05);
            p.lines.clear();
            p.opens = 0;
            QTest::keyClick(w, c.key, c.modifiers);
            settle(p.s->front, 0.05);
            if (c.line) {
                EXPECT_EQ(count(p.lines, c.line), 1u) << c.what << ": " << p.lines;
                EXPECT_EQ(count(p.lines, "\n"), 1u) << c.what << ": " << p.lines;
            } else {
                EXPECT_EQ(p.lines, "") << c.what;
            }
            EXPECT_EQ(p.opens, c.opens) << c.what;
            EXPECT_TRUE(c.after()) << c.what;
        }
    });
}

// A key held down repeats; only the selection follows the repeats, so a held Space or Right
// cannot flood the room.
TEST(ViewKeys, AHeldKeyRepeatsOnlyInTheList) {
    KeysOnScreen p;
    app::Program& program = *p.s->program;
    app::Form1& f = program.form1;
    p.on_main_window([&](QWidget* w) {
        f.File1->set_list_index(0);
        f.lbplay_Click();
        p.lines.clear();
        QTest::keyPress(w, Qt::Key_Right);
        for (int i = 0; i < 2; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
            QCoreApplication::sendEvent(w, &repeat);
        }
        QTest::keyRelease(w, Qt::Key_Right);
        settle(p.s->front);
        EXPECT_EQ(f.File1->list_index(), 1);
        EXPECT_EQ(count(p.lines, "playing:-"), 1u) << p.lines;
        f.File1->set_list_index(0);
        QTest::keyPress(w, Qt::Key_Down);
        for (int i = 0; i < 2; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
            QCoreApplication::sendEvent(w, &repeat);
        }
        QTest::keyRelease(w, Qt::Key_Down);
        EXPECT_EQ(f.File1->list_index(), 3);
    });
}

TEST(ViewKeys, TheFolderChooserTakesEnterAsOkAndEscapeAsCancel) {
    KeysOnScreen p;
    app::Program& program = *p.s->program;
    std::filesystem::create_directories(p.other.path());
    p.other.touch("z.mp3");
    p.run_started([&] {
        const std::string first = p.music.path();
        struct Case {
            Qt::Key key;
            const char* stored;  // which folder the settings file holds afterwards
        };
        const Case cases[] = {{Qt::Key_Escape, "first"}, {Qt::Key_Return, "other"}};
        for (const auto& c : cases) {
            program.form1.Label3_Click();
            settle(p.s->front);
            QWidget* w = window_titled("Form2");
            ASSERT_NE(w, nullptr);
            program.frmDir.Dir1->set_path(p.other.path());
            QTest::keyClick(w, c.key);
            settle(p.s->front);
            EXPECT_FALSE(program.frmDir.visible()) << c.stored;
            EXPECT_EQ(window_titled("Form2"), nullptr) << c.stored;
            EXPECT_EQ(p.stored_folder(), std::string(c.stored) == "first" ? first : p.other.path())
                << c.stored;
        }
        EXPECT_EQ(program.form1.File1->list_count(), 1);
        EXPECT_EQ(p.lines.find("Stoped"), std::string::npos);
    });
}

TEST(ViewKeys, TheHelpWindowsTextKeepsItsOwnKeys) {
    KeysOnScreen p;
    app::Program& program = *p.s->program;
    p.run_started([&] {
        program.form1.Label12_Click();
        settle(p.s->front);
        QWidget* w = window_titled("Form3");
        ASSERT_NE(w, nullptr);
        auto* editor = w->findChild<QPlainTextEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        const int before = editor->textCursor().position();
        // The player's keys mean nothing here: the text box moves its caret.
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Space})
            QTest::keyClick(editor, k);
        settle(p.s->front);
        EXPECT_GT(editor->textCursor().position(), before);
        EXPECT_EQ(program.form1.MediaPlayer1.PlayState(), media::kStopped);
        EXPECT_EQ(program.form1.File1->list_index(), -1);
        EXPECT_TRUE(program.form3.visible());
        EXPECT_EQ(p.opens, 0);
    });
}

}  // namespace
}  // namespace rv
