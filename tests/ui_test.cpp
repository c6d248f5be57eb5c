#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "helpers.h"
#include "ui/window_behaviour.h"

namespace rv {
namespace {

using forms::Form;

class Plain : public Form {
  public:
    using Form::Form;
    forms::Label* label = nullptr;
    forms::PictureBox* pic = nullptr;
    std::vector<std::string> events;

  protected:
    void build() override {
        events.push_back("build");
        set_left(1000);
        set_width(3000);
        set_height(1500);
        label = add<forms::Label>("Label1");
        label->move(0, 0, 1875, 210);
        pic = add<forms::PictureBox>("Picture1");
        add<forms::Label>("a", pic)->move(100, 100, 200, 200);
        add<forms::Label>("b", pic)->move(100, 100, 200, 200);
        add<forms::Label>("c")->move(0, 200, 3000, 300);
    }
    void Form_Load() override {
        events.push_back("load(visible=" + std::to_string(visible()) + ")");
    }
    void Form_Unload() override { events.push_back("unload"); }
};

struct Env {
    VirtualLoop loop;
    forms::Environment env{loop};
};

TEST(Marquee, WrapsOnlyWhenStrictlyPastTheThreshold) {
    Env e;
    Plain f(e.env, "f");
    f.Load();
    struct Case {
        const char* what;
        float width, threshold, reentry, start;
        std::vector<float> expected;  // lefts after each tick
    };
    const Case cases[] = {
        {"Form1: at -1875 moves once more, then re-enters at 1869",
         1875,
         1875,
         1875,
         -1875,
         {-1885, 1869, 1859}},
        {"Form1: just past the threshold wraps at once", 1875, 1875, 1875, -1876, {1869}},
        {"frmeq: Label3's width is the threshold, re-entry at 2289",
         2295,
         1455,
         2295,
         -1455,
         {-1465, 2289}},
        {"frmDir: the panel's width is the re-entry", 1215, 1215, 1995, -1216, {1989}},
        {"inside the strip: 10 twips a tick", 1875, 1875, 1875, 960, {950, 940}},
    };
    for (const auto& c : cases) {
        f.label->set_width(c.width);
        f.label->set_left(c.start);
        for (float want : c.expected) {
            ui::MarqueeTick(*f.label, c.threshold, c.reentry);
            EXPECT_EQ(f.label->left(), want) << c.what;
        }
    }
}

TEST(SlideOffScreen, StepsOf300PumpingBeforeEachStepUntilPastTheEdge) {
    struct Case {
        float left, screen;
        int steps;
    };
    for (const Case c : {Case{3255, 15360, 41}, Case{20000, 15360, 1}, Case{15060.5f, 15360, 2}}) {
        Env e;
        e.env.set_screen_size_twips(c.screen, 11520);
        Plain f(e.env, "f");
        f.Load();
        f.set_left(c.left);
        int pumps = 0;
        std::vector<float> seen;
        std::function<void()> watch = [&] {
            ++pumps;
            seen.push_back(f.left());
            e.loop.post(watch);
        };
        e.loop.post(watch);
        ui::SlideOffScreen(f);
        EXPECT_EQ(pumps, c.steps) << c.left;
        EXPECT_GT(f.left(), c.screen);
        EXPECT_EQ(seen.front(), c.left);  // the first pump comes before the first step
        EXPECT_EQ(f.left(), std::floor(c.left) + 300.0f * c.steps);
        EXPECT_TRUE(f.loaded());
    }
}

TEST(PaintGradient, EqualColoursFillEvenly) {
    Env e;
    Plain f(e.env, "f");
    f.Load();
    f.pic->move(0, 0, 1500, 300);  // 100 x 20 pixels
    ui::PaintGradient(*f.pic, 0x336699, 0x336699);
    ASSERT_EQ(f.pic->image().size(), 100u * 20u);
    for (forms::Color c : f.pic->image()) ASSERT_EQ(c, 0x336699u);
    // The surface's settings are left as they were.
    EXPECT_EQ(f.pic->scale_mode(), forms::ScaleMode::Twips);
    EXPECT_EQ(f.pic->draw_style(), 0);
    EXPECT_FALSE(f.pic->auto_redraw());
}

TEST(PaintGradient, OnePixelSurfaceShowsThreeStepsClamped) {
    Env e;
    Plain f(e.env, "f");
    f.Load();
    f.pic->move(0, 0, 15, 150);
    // red 100 -> 200: 100 + 3 * 100 = 400, clamped to 255; green 50 -> 0: 50 - 150 < 0 -> 0;
    // blue 10 -> 20: 10 + 30 = 40.
    ui::PaintGradient(*f.pic, forms::rgb(100, 50, 10), forms::rgb(200, 0, 20));
    ASSERT_EQ(f.pic->image().size(), 10u);
    for (forms::Color c : f.pic->image()) EXPECT_EQ(c, forms::rgb(255, 0, 40));
}

TEST(PaintGradient, MainWindowStripRunsFromDarkRedToBlue) {
    test::World w;
    w.start();
    const auto& pic = *w.form1().Picture1;
    ASSERT_EQ(pic.pixels_wide(), 278);
    // Column 0 is three steps in: red 22 - 3 * 22/278 rounds to 22, blue 3 * 255/278 to 3.
    EXPECT_EQ(pic.image().front(), forms::rgb(22, 0, 3));
    EXPECT_EQ(pic.image()[277], forms::rgb(0, 0, 255));
    // Halves go to the even neighbour: somewhere in the middle, a smooth ramp in blue.
    int last_blue = -1;
    for (int x = 0; x < 278; ++x) {
        int b = forms::blue_of(pic.image()[static_cast<std::size_t>(x)]);
        EXPECT_GE(b, last_blue);
        last_blue = b;
    }
}

TEST(Drag, EitherButtonMovesAndTheSurfacesShareOneState) {
    for (int button : {forms::kLeftButton, forms::kRightButton}) {
        test::World w;
        w.start();
        auto& f = w.form1();
        const float left = f.left(), top = f.top();
        const float title = f.lbtitle->abs_left();
        f.lbtitle->user_mouse_down(button, 0, 100, 50);
        f.lbtitle->user_mouse_move(button, 0, 130, 70);
        EXPECT_EQ(f.left(), left + 30);
        EXPECT_EQ(f.top(), top + 20);
        // The background shares the state. The pointer has travelled 40 right and 10 down
        // since the press, the window 30 and 20 of it: it is over the client area at
        // (title + 100 + 40 - 30, 50 + 10 - 20).
        f.on_mouse_move(0, 0, title + 110, 40);
        EXPECT_EQ(f.left(), left + 40);
        EXPECT_EQ(f.top(), top + 10);
        f.on_mouse_up(button, 0, 0, 0);
        EXPECT_EQ(f.drag_state().dragging, 0);
        f.lbtitle->user_mouse_move(button, 0, 500, 500);
        EXPECT_EQ(f.left(), left + 40);
        // A press on the background starts it again.
        f.on_mouse_down(button, 0, 10, 10);
        EXPECT_EQ(f.drag_state().dragging, -1);
        EXPECT_EQ(f.drag_state().dragStartX, 10);
    }
}

TEST(Drag, TheWindowFollowsThePointerWhileTheTitleScrollsUnderIt) {
    test::World w;
    w.start();
    auto& f = w.form1();
    auto& title = *f.lbtitle;
    const float left = f.left(), top = f.top();
    // Where the pointer is on the screen: pressed on the title, 100 twips into it.
    const float press_x = left + title.abs_left() + 100, press_y = top + title.abs_top() + 50;
    title.user_mouse_down(forms::kLeftButton, 0, 100, 50);
    struct Step {
        double wait;         // the title scrolls meanwhile, 10 twips a tick
        float dx_px, dy_px;  // the pointer's travel on the screen since the press
    };
    for (const Step s :
         {Step{0.05, 0, -120}, Step{0.3, 30, -120}, Step{0, -40, 10}, Step{0.02, -40, 10}}) {
        w.loop.advance(s.wait);
        // The view reports the pointer relative to the title where the title is now.
        const float screen_x = press_x + s.dx_px * 15, screen_y = press_y + s.dy_px * 15;
        title.user_mouse_move(forms::kLeftButton, 0, screen_x - f.left() - title.abs_left(),
                              screen_y - f.top() - title.abs_top());
        EXPECT_EQ(f.left(), left + s.dx_px * 15) << s.wait << " " << s.dx_px;
        EXPECT_EQ(f.top(), top + s.dy_px * 15) << s.wait << " " << s.dy_px;
    }
}

TEST(ZOrder, SiblingsMoveFrontOrBackAndChildrenStayOverTheirContainer) {
    Env e;
    Plain f(e.env, "f");
    f.Load();
    // pic holds a and b; c lies over all of it at the form's level.
    f.pic->move(0, 0, 3000, 300);
    std::vector<std::string> order;
    auto names = [&] {
        order.clear();
        for (forms::Control* c : f.paint_order()) order.push_back(c->name());
        return order;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"Label1", "Picture1", "a", "b", "c"}));
    forms::Control* a = f.find("a");
    forms::Control* b = f.find("b");
    EXPECT_EQ(f.control_at(150, 150), b);  // designed later, in front
    a->ZOrder(0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Label1", "Picture1", "b", "a", "c"}));
    EXPECT_EQ(f.control_at(150, 150), a);
    a->ZOrder(1);
    EXPECT_EQ(names(), (std::vector<std::string>{"Label1", "Picture1", "a", "b", "c"}));
    f.pic->ZOrder(0);  // the container brings its children along
    EXPECT_EQ(names(), (std::vector<std::string>{"Label1", "c", "Picture1", "a", "b"}));
    EXPECT_EQ(f.control_at(2900, 150), f.pic);
    EXPECT_EQ(f.control_at(2900, 400), f.find("c"));  // below the picture's box
    b->set_visible(false);
    EXPECT_EQ(f.control_at(150, 150), a);
    f.pic->set_visible(false);  // a hidden container hides its children from the pointer
    EXPECT_EQ(f.control_at(150, 250), f.find("c"));
    EXPECT_EQ(f.control_at(150, 150), f.label);
    EXPECT_EQ(f.control_at(3500, 150), nullptr);
    f.Unload();
    f.Load();
    EXPECT_EQ(names(), (std::vector<std::string>{"Label1", "Picture1", "a", "b", "c"}));
}

TEST(ZOrder, TheFixedTitleLabelsTakeThePointerWhereverTheScrollingTitleIs) {
    test::World w;
    w.start();
    auto& f = w.form1();
    w.loop.advance(0.01);
    for (forms::Label* fixed : {f.Label2, f.lbmin, f.lbclose}) {
        const float x = fixed->abs_left() + fixed->width() / 2, y = 100;
        for (float title = -1875; title <= 4155; title += 10) {
            f.lbtitle->set_left(title);
            ASSERT_EQ(f.control_at(x, y), fixed) << fixed->name() << " title at " << title;
        }
        // And it is drawn after the title.
        const auto& order = f.paint_order();
        EXPECT_LT(std::find(order.begin(), order.end(), f.lbtitle) - order.begin(),
                  std::find(order.begin(), order.end(), fixed) - order.begin());
    }
    // The title still takes the pointer where no fixed label is.
    f.lbtitle->set_left(960);
    EXPECT_EQ(f.control_at(1500, 100), f.lbtitle);
}

TEST(Close, TheWindowManagersCloseDoesWhatTheWindowsOwnCloseDoes) {
    {  // the main window: slides off, the power-off lines, the program ends
        test::World w;
        w.start();
        const auto lines = w.lines.size();
        w.form1().user_close();
        EXPECT_TRUE(w.ended);
        EXPECT_GT(w.form1().left(), w.program->env.screen_width_twips());
        ASSERT_EQ(w.lines.size(), lines + 2);
        EXPECT_NE(w.lines[lines].html.find("PowerOff"), std::string::npos);
    }
    {  // the folder chooser: cancel, nothing stored
        test::World w;
        w.start();
        auto& chooser = w.program->frmDir;
        w.form1().Label3->user_click();
        ASSERT_TRUE(chooser.visible());
        w.form1().Hide();
        chooser.user_close();
        EXPECT_FALSE(chooser.visible());
        EXPECT_TRUE(chooser.loaded());
        EXPECT_TRUE(w.form1().visible());
        EXPECT_FALSE(std::filesystem::exists(w.home.file("mp3.oca")));
        EXPECT_FALSE(w.ended);
    }
    {  // a window with no close of its own stays as it is
        Env e;
        Plain f(e.env, "f");
        f.Show();
        f.user_close();
        EXPECT_TRUE(f.visible());
        EXPECT_TRUE(f.loaded());
    }
}

TEST(Form, ShowLoadsFirstHideKeepsUnloadResetsToDesignValues) {
    Env e;
    Plain f(e.env, "f");
    f.Show();
    EXPECT_EQ(f.events, (std::vector<std::string>{"build", "load(visible=0)"}));
    EXPECT_TRUE(f.visible());
    f.set_left(5000);
    f.label->set_caption("changed");
    f.Hide();
    EXPECT_FALSE(f.visible());
    f.Show();  // loaded: only made visible, where it is
    EXPECT_EQ(f.left(), 5000);
    EXPECT_EQ(f.events.size(), 2u);
    f.Unload();
    EXPECT_FALSE(f.loaded());
    f.Show();
    EXPECT_EQ(f.events, (std::vector<std::string>{"build", "load(visible=0)", "unload", "build",
                                                  "load(visible=0)"}));
    EXPECT_EQ(f.left(), 1000);
    EXPECT_EQ(f.label->caption(), "");
}

TEST(Form1, RollUpAndDownOneTwipAStepThenTopmost) {
    test::World w;
    w.start();
    auto& f = w.form1();
    int pumps = 0;
    std::function<void()> count = [&] {
        ++pumps;
        w.loop.post(count);
    };
    w.loop.post(count);
    f.set_topmost(false);
    f.Label2_Click();
    EXPECT_EQ(f.height(), 235);
    EXPECT_EQ(f.Label2->fore_color(), 0xDB756Cu);
    EXPECT_EQ(pumps, 2175 - 235);
    EXPECT_TRUE(f.topmost());
    f.Label2_Click();
    EXPECT_EQ(f.height(), 2175);
    EXPECT_EQ(f.Label2->fore_color(), 0xFFFFFFu);
}

TEST(Form1, ASecondClickDuringRollUpRollsDownInsideIt) {
    test::World w;
    w.start();
    auto& f = w.form1();
    float highest_after_nested = 0;
    bool nested_done = false;
    std::function<void()> watch = [&] {
        if (!nested_done && f.height() == 1500) {
            nested_done = true;
            f.Label2_Click();  // the user clicks again while it rolls up
            highest_after_nested = f.height();
            EXPECT_EQ(f.Label2->fore_color(), 0xFFFFFFu);
        }
        w.loop.post(watch);
    };
    w.loop.post(watch);
    f.Label2_Click();
    EXPECT_TRUE(nested_done);
    EXPECT_EQ(highest_after_nested, 2175);
    EXPECT_EQ(f.height(), 235);
    EXPECT_EQ(f.Label2->fore_color(), 0xDB756Cu);
}

TEST(Form1, MinimiseSetsTheWindowStateOnly) {
    test::World w;
    w.start();
    const auto lines = w.lines.size();
    w.form1().lbmin->user_click();
    EXPECT_EQ(w.form1().window_state(), forms::WindowState::Minimized);
    EXPECT_TRUE(w.form1().visible());
    EXPECT_EQ(w.lines.size(), lines);
}

TEST(Form1, TitleMarqueeRunsOnItsTimerAndReentersAt1869) {
    test::World w;
    w.start();
    auto& t = *w.form1().lbtitle;
    const float start = t.left();
    w.loop.advance(0.1);  // 2 ms asked, 10 ms given: ten ticks
    EXPECT_EQ(t.left(), start - 100);
    t.set_left(-1880);
    w.loop.advance(0.01);
    EXPECT_EQ(t.left(), 1869);
}

}  // namespace
}  // namespace rv
