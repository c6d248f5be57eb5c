// The program's windows as a person sees them on an X server (run under Xvfb): scrolling
// titles that keep clear of the labels standing in their row, and windows that slide or roll
// up over others without leaving their old pictures behind. What the screen shows is taken
// from the server and held against Qt's own painting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/qt/form_view.h"
#include "platform/qt/form_view_layout.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

using namespace test;

double twips_per_pixel(const QWidget& w) {
    return 1440.0 / w.screen()->logicalDotsPerInchX();
}

// How many pixels of `a` and `b` differ inside `r`.
int differing_in(const QImage& a, const QImage& b, const QRect& r) {
    const QRect in = r & a.rect();
    return in.isEmpty() ? 0 : differing(a.copy(in), b.copy(in), 0);
}

struct TitleRow {
    const char* window;
    forms::Form* form;
    forms::Label* title;
    forms::Timer* marquee;
    std::vector<forms::Label*> fixed;  // the labels that stand in the title's row
};

// Wherever a scrolling title is along its way, the labels in its row look as they do with no
// title at all: the title passes behind them and shows neither beside nor through them. Away
// from them it shows whole. The screen shows what Qt paints at every step.
TEST(X11Windows, EveryScrollingTitleKeepsClearOfTheLabelsInItsRow) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        app::Program& p = *s.program;
        p.start();
        p.show_afk();
        p.show_help();
        p.show_equalizer();
        settle(s.front, 0.5);
        const TitleRow rows[] = {
            {"Form1",
             &p.form1,
             p.form1.lbtitle,
             p.form1.Timer2,
             {p.form1.Label2, p.form1.lbmin, p.form1.lbclose}},
            {"afk1", &p.afk1, p.afk1.Label1, p.afk1.Timer2, {p.afk1.Label8}},
            {"Form3", &p.form3, p.form3.Label1, p.form3.Timer1, {p.form3.Label2}},
            {"frmeq", &p.equalizer, p.equalizer.Label1, p.equalizer.Timer2, {p.equalizer.Label2}},
        };
        for (const TitleRow& r : rows) {
            QWidget* w = view_of(*r.form);
            ASSERT_NE(w, nullptr) << r.window;
            // Still from here on: each step is the test's.
            r.marquee->set_timer_enabled(false);
            w->raise();
            settle(s.front, 0.3);
            const qt::FormLayout layout(*r.form, twips_per_pixel(*w));
            r.title->set_visible(false);
            settle(s.front, 0.05);
            const QImage without = painted(*w);
            r.title->set_visible(true);
            // The title's rows; the columns of each fixed label with a little room either side,
            // and those further off.
            const QRect title_box = layout.box(*r.title);
            const QRect band =
                QRect(0, title_box.top(), w->width(), title_box.height()) & w->rect();
            QRegion near_fixed;
            std::vector<QRect> columns;
            for (forms::Label* f : r.fixed) {
                const QRect box = layout.box(*f);
                columns.emplace_back(box.left() - 3, band.top(), box.width() + 6, band.height());
                near_fixed += QRect(box.left() - 10, 0, box.width() + 20, band.height());
            }
            // The whole way, from beyond the right edge of the window to past its left.
            int steps = 0;
            for (float left = r.form->width(); left > -r.title->width(); left -= 90, ++steps) {
                r.title->set_left(left);
                settle(s.front, 0);
                const QImage now = painted(*w);
                for (std::size_t i = 0; i < columns.size(); ++i)
                    ASSERT_EQ(differing_in(now, without, columns[i]), 0)
                        << r.window << ": " << r.fixed[i]->name() << ", title at " << left;
                ASSERT_LE(unlike_painted(*w), 2) << r.window << ", title at " << left;
                // The same title, not kept to a lane.
                r.title->set_scrolls(false);
                settle(s.front, 0);
                const QImage unkept = painted(*w);
                r.title->set_scrolls(true);
                settle(s.front, 0);
                ASSERT_EQ(differing(now.copy(band), unkept.copy(band), 0, near_fixed), 0)
                    << r.window << ": the title cut off away from the fixed labels, at " << left;
            }
            EXPECT_GT(steps, 30) << r.window;
        }
    });
}

// The song-title strip is one even band: wherever the title is in it, the strip's last row is
// blue all along the title and the row below it is not, on the screen as in Qt's painting.
TEST(X11Windows, TheSongTitleStripHasAStraightBottomEdge) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        app::Program& p = *s.program;
        p.start();
        settle(s.front, 0.3);
        QWidget* w = view_of(p.form1);
        ASSERT_NE(w, nullptr);
        forms::Label& title = *p.form1.Label9;
        const qt::FormLayout layout(p.form1, twips_per_pixel(*w));
        for (const float left : {360.0f, 3369.0f, 1500.0f, 0.0f, -1500.0f}) {
            title.set_left(left);
            settle(s.front, 0);
            const QImage seen = on_screen(*w);
            const QRect strip = layout.visible(title);
            ASSERT_FALSE(strip.isEmpty()) << left;
            int off_edge = 0;
            for (int x = strip.left(); x <= strip.right(); ++x) {
                off_edge += seen.pixel(x, strip.bottom()) != qRgb(0, 0, 255);
                off_edge += seen.pixel(x, strip.bottom() + 1) == qRgb(0, 0, 255);
            }
            EXPECT_EQ(off_edge, 0) << "the title at " << left;
            EXPECT_LE(unlike_painted(*w), 2) << "the title at " << left;
        }
    });
}

// Every window of the program but `w` that is shown.
std::vector<QWidget*> others(QWidget* w) {
    std::vector<QWidget*> v;
    for (QWidget* o : QApplication::topLevelWidgets())
        if (o != w && o->isVisible()) v.push_back(o);
    return v;
}

// Checks, at every pass of the loop while `action` runs, that what the screen shows of `under`
// (where nothing lies over it) is what Qt paints of it; returns the worst count of differing
// pixels and how many passes were looked at.
std::pair<int, int> worst_while(QWidget& under, int every, const std::function<void()>& action) {
    int worst = 0, passes = 0, looked = 0;
    QTimer look;
    look.setInterval(0);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (passes++ % every != 0) return;
        ++looked;
        worst = std::max(worst, seen_unlike_painted(under, others(&under)));
    });
    look.start();
    action();
    look.stop();
    return {worst, looked};
}

// A window that slides off the screen or rolls up uncovers the ones under it a step at a
// time: at every step they show what they are, never the old pictures of the one that moved.
// Afterwards every window on the screen is what Qt paints of it.
TEST(X11Windows, EveryWindowUncoveredByASlideOrARollUpShowsItselfAtEveryStep) {
    ProgramOnScreen s;
    ASSERT_TRUE(on_x_server());
    run_in_loop(s.front, [&] {
        app::Program& p = *s.program;
        p.start();
        settle(s.front, 0.3);
        // The stand-in client's window out of the way.
        for (QWidget* o : others(view_of(p.form1))) o->move(700, 500);
        p.show_equalizer();
        p.equalizer.set_left(p.form1.left() + 1500);
        p.equalizer.set_top(p.form1.top() + 900);
        p.show_help();
        p.form3.set_left(p.form1.left() + 600);
        p.form3.set_top(p.form1.top() + 300);
        settle(s.front, 0.3);
        QWidget* main = view_of(p.form1);
        QWidget* eq = view_of(p.equalizer);
        QWidget* help = view_of(p.form3);
        ASSERT_TRUE(main && eq && help);
        eq->raise();
        main->raise();
        help->raise();
        settle(s.front, 0.3);
        for (QWidget* w : {main, eq, help}) ASSERT_LE(seen_unlike_painted(*w, others(w)), 2);

        // The help window slides off across the main window.
        const auto [slid, slide_passes] =
            worst_while(*main, 1, [&] { p.form3.Label2->user_click(); });
        EXPECT_LE(slid, 2) << "what the slide uncovered of the main window";
        EXPECT_GE(slide_passes, 10);
        settle(s.front, 0.3);
        ASSERT_EQ(view_of(p.form3), nullptr) << "hidden once off the screen";
        EXPECT_LE(seen_unlike_painted(*main, {eq}), 2);

        // The main window rolls up and down over the equalizer.
        for (const char* roll : {"up", "down"}) {
            const auto [rolled, roll_passes] =
                worst_while(*eq, 25, [&] { p.form1.Label2->user_click(); });
            EXPECT_LE(rolled, 2) << "what rolling " << roll << " uncovered of the equalizer";
            EXPECT_GE(roll_passes, 10) << roll;
            settle(s.front, 0.3);
            EXPECT_LE(seen_unlike_painted(*main, {}), 2) << "the main window rolled " << roll;
            EXPECT_LE(seen_unlike_painted(*eq, {main}), 2) << "rolled " << roll;
        }

        // Shown again, the help window is itself.
        p.form1.Label12->user_click();
        settle(s.front, 0.3);
        help = view_of(p.form3);
        ASSERT_NE(help, nullptr);
        help->raise();
        settle(s.front, 0.3);
        EXPECT_LE(seen_unlike_painted(*help, {}), 2);
    });
}

}  // namespace
}  // namespace rv
