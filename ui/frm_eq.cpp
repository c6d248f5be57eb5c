#include "ui/frm_eq.h"

#include <cmath>
#include <string>

#include "platform/forms/environment.h"

namespace rv::ui {

namespace {
constexpr forms::Color kGreen = 0x00FF00;
constexpr forms::Color kDarkGrey = 0x404040;
// "•._.··  · ···÷Equalizer····  · ·._.•"
constexpr const char* kTitle =
    "\u2022._.\u00B7\u00B7  \u00B7 \u00B7\u00B7\u00B7\u00F7Equalizer"
    "\u00B7\u00B7\u00B7\u00B7  \u00B7 \u00B7._.\u2022";
}  // namespace

frmeq::frmeq(forms::Environment& env, aol::Random& random) : Form(env, "frmeq"), m_random(random) {}

int frmeq::level(float r, const Factor& f) {
    const float scaled = r * f.first * f.second;
    // Halves to the even neighbour (the default rounding mode), as a 16-bit value.
    return static_cast<std::int16_t>(std::nearbyint(scaled));
}

void frmeq::build() {
    set_caption("Form2");
    set_back_color(forms::kBlack);
    set_width(3360);
    set_height(3030);
    // In the middle of the screen when first loaded.
    set_left((env().screen_width_twips() - width()) / 2);
    set_top((env().screen_height_twips() - height()) / 2);
    MakeDragSurface(*this, m_drag);

    const forms::Font arial9b{"Arial", 9, true};
    struct Text {
        forms::Label*& label;
        const char* name;
        const char* caption;
        float left, top, width;
        forms::Font font;
        forms::Alignment alignment;
    };
    const Text texts[] = {
        {Label1, "Label1", kTitle, 480, 0, 2295, arial9b, forms::Alignment::Left},
        {Label2, "Label2", "x", 3120, 120, 135, forms::Font{"MS Sans Serif", 8.25f, true},
         forms::Alignment::Left},
        {Label3, "Label3", "Start", 0, 2760, 1455, arial9b, forms::Alignment::Center},
        {Label4, "Label4", "Stop", 1920, 2760, 1215, arial9b, forms::Alignment::Center}};
    for (const auto& t : texts) {
        t.label = add<forms::Label>(t.name);
        t.label->move(t.left, t.top, t.width, 255);
        t.label->set_caption(t.caption);
        t.label->set_font(t.font);
        t.label->set_fore_color(forms::kWhite);
        t.label->set_alignment(t.alignment);
    }
    Label2->on_click = [this] { Label2_Click(); };
    Label3->on_click = [this] { Label3_Click(); };
    Label4->on_click = [this] { Label4_Click(); };

    build_bars();

    Timer1 = add<forms::Timer>("Timer1");
    Timer1->set_interval_ms(25);
    Timer1->on_timer = [this] { Timer1_Timer(); };
    Timer2 = add<forms::Timer>("Timer2");
    Timer2->set_interval_ms(1);
    Timer2->on_timer = [this] { Timer2_Timer(); };
}

void frmeq::build_bars() {
    for (int i = 0; i < kBars; ++i) {
        forms::LevelBar* bar = add<forms::LevelBar>("DogBar" + std::to_string(i + 1));
        bar->move(0, 360 + 240 * static_cast<float>(i), 3255, 255);
        bar->set_max(kBarMax);
        bar->set_back_color(forms::kBlack);
        DogBar[static_cast<std::size_t>(i)] = bar;
    }
    // Bars 1, 3, 5, 7 and 9 keep the control's own colours.
    for (int n : {2, 4, 6, 8, 10})
        DogBar[static_cast<std::size_t>(n - 1)]->set_bar_colors(kGreen, kGreen);
    DogBar[5]->set_back_color(kDarkGrey);
}

void frmeq::Form_Load() {
    Timer1->set_timer_enabled(false);
}

void frmeq::Label2_Click() {
    SlideAway(*this);
}

void frmeq::Label3_Click() {
    Timer1->set_timer_enabled(true);
}

void frmeq::Label4_Click() {
    Timer1->set_timer_enabled(false);
}

void frmeq::Timer1_Timer() {
    // Every bar draws its own number, in order 1 to 10.
    for (std::size_t i = 0; i < DogBar.size(); ++i)
        DogBar[i]->set_value(level(m_random.next_single(), kFactors[i]));
}

void frmeq::Timer2_Timer() {
    MarqueeTick(*Label1, Label3->width(), Label1->width());
}

}  // namespace rv::ui
