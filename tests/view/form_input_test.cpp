// Input through the Qt view, event by event as a real X server hands it to a window.
#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/media/media_player.h"
#include "platform/qt/qt_front.h"
#include "tests/helpers.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

void send(QWidget* w, QEvent::Type type, QPoint local) {
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void click(QWidget* w, QPoint p) {
    send(w, QEvent::MouseButtonPress, p);
    send(w, QEvent::MouseButtonRelease, p);
}

// What a window receives for a double-click: the second press comes as the double-click.
void double_click(QWidget* w, QPoint p) {
    click(w, p);
    send(w, QEvent::MouseButtonDblClick, p);
    send(w, QEvent::MouseButtonRelease, p);
}

double twips_per_pixel(const QWidget* w) {
    return 1440.0 / w->screen()->logicalDotsPerInchX();
}

// The pixel of the window at the middle of control `c`.
QPoint centre_of(const forms::Control& c, const QWidget* w) {
    const double tpp = twips_per_pixel(w);
    return QPoint(static_cast<int>((c.abs_left() + c.width() / 2) / tpp),
                  static_cast<int>((c.abs_top() + c.height() / 2) / tpp));
}

// A window of one control of each kind that takes clicks, writing down every event.
class Recorder : public forms::Form {
  public:
    using Form::Form;
    forms::Label* label = nullptr;
    forms::TextBox* box = nullptr;
    forms::PictureBox* pic = nullptr;
    forms::ListBox* list = nullptr;
    std::vector<std::string> events;

  protected:
    void build() override {
        set_caption("Recorder");
        set_left(1500);
        set_top(1500);
        set_width(4500);
        set_height(3000);
        label = add<forms::Label>("label");
        label->move(0, 0, 1500, 300);
        label->set_caption("label");
        box = add<forms::TextBox>("box");
        box->move(0, 450, 1500, 300);
        box->set_locked(true);
        pic = add<forms::PictureBox>("pic");
        pic->move(0, 900, 1500, 600);
        list = add<forms::ListBox>("list");
        list->move(1800, 0, 1500, 1500);
        list->set_font(forms::Font{"Arial", 9, true});
        for (const char* item : {"one", "two", "three"}) list->add_item(item);
        for (forms::Control* c : std::initializer_list<forms::Control*>{label, box, pic, list})
            record(*c);
        on_mouse_down = [this](int, int, float, float) { events.push_back("MouseDown"); };
        on_mouse_up = [this](int, int, float, float) { events.push_back("MouseUp"); };
    }

  private:
    void record(forms::Control& c) {
        c.on_click = [this] { events.push_back("Click"); };
        c.on_dbl_click = [this] { events.push_back("DblClick"); };
        c.on_mouse_down = [this](int, int, float, float) { events.push_back("MouseDown"); };
        c.on_mouse_up = [this](int, int, float, float) { events.push_back("MouseUp"); };
    }
};

std::string joined(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& s : v) out += (out.empty() ? "" : " ") + s;
    return out;
}

TEST(ViewInput, ADoubleClickRaisesTheOldFormsEventsWithOneClick) {
    qt::QtFront front(g_argc, g_argv);
    forms::Environment env(front.loop());
    front.show_forms(env);
    Recorder f(env, "Recorder");
    bool checked = false;
    run_in_loop(front, [&] {
        f.Show();
        settle(front);
        QWidget* w = window_titled("Recorder");
        ASSERT_NE(w, nullptr);
        const double tpp = twips_per_pixel(w);
        const QPoint row1(static_cast<int>((1800 + 300) / tpp), 20);  // the list's second row
        const QPoint background(static_cast<int>(4000 / tpp), static_cast<int>(2500 / tpp));
        struct Case {
            const char* what;
            QPoint at;
            std::function<void(QWidget*, QPoint)> input;
            const char* events;
        };
        const auto twice = [](QWidget* to, QPoint p) {
            double_click(to, p);
            click(to, p);
        };
        const Case cases[] = {
            {"label", centre_of(*f.label, w), double_click,
             "MouseDown MouseUp Click DblClick MouseUp"},
            {"text box", centre_of(*f.box, w), double_click,
             "MouseDown MouseUp Click DblClick MouseUp"},
            {"picture", centre_of(*f.pic, w), double_click,
             "MouseDown MouseUp Click DblClick MouseUp"},
            // A list selects the row and raises its Click at the press.
            {"list", row1, double_click, "Click MouseDown MouseUp DblClick MouseUp"},
            // The window itself raises no DblClick, but its last MouseUp.
            {"background", background, double_click, "MouseDown MouseUp MouseUp"},
            {"a click after a double-click", centre_of(*f.label, w), twice,
             "MouseDown MouseUp Click DblClick MouseUp MouseDown MouseUp Click"},
        };
        for (const auto& c : cases) {
            f.events.clear();
            c.input(w, c.at);
            EXPECT_EQ(joined(f.events), c.events) << c.what;
        }
        EXPECT_EQ(f.list->list_index(), 1);
        checked = true;
    });
    EXPECT_TRUE(checked);
}

// Three tall lists of three sizes of type, at a top that falls between two pixels.
class Lists : public forms::Form {
  public:
    using Form::Form;
    std::vector<forms::ListBox*> lists;

  protected:
    void build() override {
        set_caption("Lists");
        set_left(1500);
        set_top(1500);
        set_width(5400);
        set_height(3600);
        const float sizes[] = {8.25f, 9, 12};
        for (int i = 0; i < 3; ++i) {
            auto* l = add<forms::ListBox>("List" + std::to_string(i));
            l->move(1800.0f * i, 250, 1500, 3000);
            l->set_font(forms::Font{"Arial", sizes[i], true});
            for (int n = 0; n < 30; ++n) l->add_item("row " + std::to_string(n));
            lists.push_back(l);
        }
    }
};

// The first and last pixel rows in column `x` of `shot` painted `colour`, or {-1, -1}.
std::pair<int, int> band_of(const QImage& shot, int x, QColor colour) {
    int first = -1, last = -1;
    for (int y = 0; y < shot.height(); ++y)
        if (QColor(shot.pixel(x, y)) == colour) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

TEST(ViewInput, APressOnAListSelectsTheRowDrawnUnderIt) {
    qt::QtFront front(g_argc, g_argv);
    forms::Environment env(front.loop());
    front.show_forms(env);
    Lists f(env, "Lists");
    bool checked = false;
    run_in_loop(front, [&] {
        f.Show();
        settle(front);
        QWidget* w = window_titled("Lists");
        ASSERT_NE(w, nullptr);
        const double tpp = twips_per_pixel(w);
        const QColor selection(10, 36, 106);
        for (forms::ListBox* l : f.lists) {
            // Near the right edge, where no text is drawn.
            const int x = static_cast<int>((l->abs_left() + l->width()) / tpp) - 4;
            ASSERT_GE(l->visible_rows(), 10);
            for (int row = 0; row < l->visible_rows(); ++row) {
                l->set_list_index(row);
                settle(front, 0.02);
                const auto [top, bottom] = band_of(w->grab().toImage(), x, selection);
                ASSERT_GE(top, 0) << l->name() << " row " << row;
                for (int y : {top, bottom}) {
                    l->set_list_index(-1);
                    click(w, QPoint(x, y));
                    EXPECT_EQ(l->list_index(), row) << l->name() << " at pixel " << y;
                }
            }
        }
        checked = true;
    });
    EXPECT_TRUE(checked);
}

TEST(ViewInput, ADoubleClickOnTheMainWindowsLabelsActsOnce) {
    PlayerOnScreen p;
    app::Program& program = *p.s->program;
    app::Form1& f = program.form1;
    p.on_main_window([&](QWidget* w) {
        const auto stopped_at = [&](int i) {
            f.MediaPlayer1.Stop();
            f.File1->set_list_index(i);
        };
        const auto playing_at = [&](int i) {
            stopped_at(i);
            f.lbplay_Click();
        };
        const auto state = [&] { return f.MediaPlayer1.PlayState(); };
        struct Case {
            const char* what;
            forms::Control* control;
            std::function<void()> before;
            const char* line;  // what the room hears once, if anything
            int opens;
            std::function<bool()> after;
        };
        const Case cases[] = {
            {"mix", f.Label1, [&] { stopped_at(0); }, "Random:-", 1, nullptr},
            {"track count", f.lbmp3num, nullptr, "Number Of Jamz", 0, nullptr},
            {"time", f.txttime, [&] { playing_at(0); }, "Jam Time", 0, nullptr},
            {"next while playing", f.lbfoward, [&] { playing_at(0); }, "playing:-", 1,
             [&] { return f.File1->list_index() == 1; }},
            {"back while playing", f.lbback, [&] { playing_at(2); }, "playing:-", 1,
             [&] { return f.File1->list_index() == 1; }},
            {"play", f.lbplay, [&] { stopped_at(3); }, "playing:-", 1, nullptr},
            {"pause", f.lbpause, [&] { playing_at(0); }, nullptr, 0,
             [&] { return state() == media::kPaused; }},
            {"stop", f.lbstop, [&] { playing_at(0); }, "Stoped...", 0,
             [&] { return state() == media::kStopped; }},
            {"roll-up", f.Label2, nullptr, nullptr, 0,
             [&] { return f.height() == app::Form1::kRolledUpTwips; }},
            // A double-click still reaches those that take it.
            {"title", f.lbtitle, [&] { f.lbtitle->set_left(960); }, "Ravelin Mp3 Player By", 0,
             nullptr},
            {"the list's second row", f.File1, [&] { stopped_at(-1); }, nullptr, 1,
             [&] { return f.File1->list_index() == 1 && state() == media::kPlaying; }},
        };
        // The roll-up moves in timer steps, which a busy machine may stretch past one settle.
        const auto settle_until = [&](const std::function<bool()>& done) {
            for (int i = 0; i < 100 && !done(); ++i) settle(p.s->front, 0.05);
        };
        for (const auto& c : cases) {
            if (f.height() != app::Form1::kRolledDownTwips) {
                f.Label2_Click();
                settle_until([&] { return f.height() == app::Form1::kRolledDownTwips; });
            }
            if (c.before) c.before();
            settle(p.s->front);
            p.lines.clear();
            p.opens = 0;
            QPoint at = centre_of(*c.control, w);
            if (c.control == f.File1)  // the middle of the second row
                at.setY(static_cast<int>(f.File1->abs_top() / twips_per_pixel(w)) + 21);
            double_click(w, at);
            settle(p.s->front);
            if (c.after) settle_until(c.after);
            if (c.line) {
                EXPECT_EQ(count(p.lines, c.line), 1u) << c.what << ": " << p.lines;
            } else {
                EXPECT_EQ(p.lines, "") << c.what;
            }
            EXPECT_EQ(p.opens, c.opens) << c.what;
            if (c.after) {
                EXPECT_TRUE(c.after()) << c.what;
            }
        }
    });
}

}  // namespace
}  // namespace rv
