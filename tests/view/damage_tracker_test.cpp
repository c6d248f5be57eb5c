// What a window repaints after a change: the damage a change leaves, cut by what lies over it.
#include "platform/qt/damage_tracker.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/forms/environment.h"
#include "platform/loop/virtual_loop.h"
#include "platform/qt/control_places.h"
#include "platform/qt/text_sprites.h"
#include "tests/view/on_screen.h"

namespace rv {
namespace {

// A level bar 100 px wide with a picture over its right end (80..120 px), and a label.
class Bars : public forms::Form {
  public:
    using Form::Form;
    forms::LevelBar* bar = nullptr;
    forms::PictureBox* cover = nullptr;
    forms::Label* title = nullptr;

  protected:
    void build() override {
        set_width(3000);
        set_height(1500);
        bar = add<forms::LevelBar>("bar");
        bar->move(0, 0, 1500, 300);
        bar->set_value(50);
        cover = add<forms::PictureBox>("cover");
        cover->move(1200, 0, 600, 300);
        title = add<forms::Label>("title");
        title->move(30, 600, 900, 300);
        title->set_caption("Ravelin");
    }
};

// Says the cover is drawn by someone else when asked to, and keeps what it heard.
struct Watcher : qt::DamageWatcher {
    bool cover_composed = false;
    const forms::Control* cover = nullptr;
    std::vector<QRegion> heard;
    bool composed(const forms::Control& c) const override { return cover_composed && &c == cover; }
    void damaged(const QRegion& r) override { heard.push_back(r); }
};

struct Window {
    Window() {
        form.Load();
        watcher.cover = form.cover;
        damage.watch(watcher);
    }
    // What the view does with a change: places first, then the damage.
    std::optional<qt::DamageTracker::Touched> change(forms::Control& c, bool geometry) {
        places.keep(geometry ? &c : nullptr);
        return damage.note_change(c, geometry);
    }
    // The widgets and fonts need an application; the window tests make their own in turn.
    std::unique_ptr<QApplication> app =
        QApplication::instance() ? nullptr
                                 : std::make_unique<QApplication>(test::g_argc, test::g_argv);
    VirtualLoop loop;
    forms::Environment env{loop};
    Bars form{env, "bars"};
    QWidget surface;
    qt::TextMeasures measures;
    qt::FormLayout layout{form, 15.0, &measures};
    qt::TextSprites sprites{layout, measures, surface};
    qt::ControlPlaces places{form, layout, sprites};
    qt::DamageTracker damage{form, layout, places};
    Watcher watcher;
};

TEST(DamageTracker, ALevelBarWhoseLengthAloneMovedRedrawsTheStripNotUnderTheCover) {
    Window w;
    auto first = w.change(*w.form.bar, false);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->first);
    EXPECT_EQ(first->area, QRect(0, 0, 100, 20));
    ASSERT_TRUE(w.change(*w.form.bar, false));  // the bar's state seen for the first time
    EXPECT_TRUE(w.damage.take_pending().isEmpty());

    w.form.bar->set_value(60);
    EXPECT_FALSE(w.change(*w.form.bar, false));
    EXPECT_EQ(w.damage.take_pending(), QRegion(50, 0, 10, 20));
    w.form.bar->set_value(90);  // its new end lies under the cover
    EXPECT_FALSE(w.change(*w.form.bar, false));
    EXPECT_EQ(w.damage.take_pending(), QRegion(60, 0, 20, 20));
    EXPECT_EQ(w.watcher.heard,
              (std::vector<QRegion>{QRegion(50, 0, 10, 20), QRegion(60, 0, 20, 20)}));

    w.form.bar->set_bar_colors(0x00FF00, 0x00FF00);  // more than the length: redrawn whole
    auto whole = w.change(*w.form.bar, false);
    ASSERT_TRUE(whole);
    EXPECT_FALSE(whole->first);
    EXPECT_EQ(whole->area, QRect(0, 0, 100, 20));
    EXPECT_TRUE(w.damage.take_pending().isEmpty());  // the caller marks what it repaints
}

TEST(DamageTracker, WhatACoverHidesIsNotRepaintedUnlessAnotherPartDrawsIt) {
    Window w;
    const QRegion strip(70, 0, 30, 20);
    EXPECT_EQ(w.damage.uncovered(*w.form.bar, strip), QRegion(70, 0, 10, 20));
    EXPECT_EQ(w.damage.uncovered(*w.form.cover, strip), strip);  // nothing lies over the cover
    w.watcher.cover_composed = true;
    EXPECT_EQ(w.damage.uncovered(*w.form.bar, strip), strip);
    w.form.cover->set_visible(false);
    w.watcher.cover_composed = false;
    EXPECT_EQ(w.damage.uncovered(*w.form.bar, strip), strip);
}

TEST(DamageTracker, AMoveWithinAPixelShowsNothingAndAMoveAcrossOneTouchesBothPlaces) {
    Window w;
    forms::Label& title = *w.form.title;
    ASSERT_TRUE(w.change(title, true));
    const QRect was = w.places.clip(title);
    title.set_left(35);  // 2.33 px: still the second pixel
    EXPECT_FALSE(w.change(title, true));
    title.set_left(60);
    auto moved = w.change(title, true);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(moved->first);
    EXPECT_EQ(moved->area, was.united(w.places.clip(title)));
    EXPECT_EQ(w.places.clip(title).left(), was.left() + 2);
    // Where it drew in between is cleared at its next change too.
    w.damage.note_drawn(title, QRect(0, 40, 5, 5));
    title.set_left(75);
    auto after = w.change(title, true);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->area.contains(QRect(0, 40, 5, 5)));
}

}  // namespace
}  // namespace rv
