#pragma once
// The equalizer: ten level bars that jump to new random levels every 25 ms while the
// animation runs. Decorative: it plays no part in the sound. Loaded by its first opening and
// never unloaded; "x" slides it away and the animation keeps its state.
#include <array>

#include "aol/random.h"
#include "platform/forms/form.h"
#include "ui/window_behaviour.h"

namespace rv::ui {

class frmeq : public forms::Form {
  public:
    frmeq(forms::Environment& env, aol::Random& random);

    static constexpr int kBars = 10;
    // The bars' own scale: the highest level (294) nearly fills a bar, and a value above it
    // shows as a full bar.
    static constexpr int kBarMax = 300;
    // Per bar, the level is r x first x second, in single precision: bars 5 and 10 scale
    // by 9 then 25 and by 10 then 25.
    struct Factor {
        float first;
        float second;
    };
    static constexpr std::array<Factor, kBars> kFactors = {{{80, 1},
                                                            {190, 1},
                                                            {98, 1},
                                                            {180, 1},
                                                            {9, 25},
                                                            {80, 1},
                                                            {80, 1},
                                                            {294, 1},
                                                            {81, 1},
                                                            {10, 25}}};
    // The level of one bar for the random number r: r x factor, halves to the even neighbour.
    static int level(float r, const Factor& f);

    forms::Label* Label1 = nullptr;
    forms::Label* Label2 = nullptr;
    forms::Label* Label3 = nullptr;
    forms::Label* Label4 = nullptr;
    std::array<forms::LevelBar*, kBars> DogBar{};  // DogBar1 .. DogBar10
    forms::Timer* Timer1 = nullptr;
    forms::Timer* Timer2 = nullptr;

    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void Timer1_Timer();
    void Timer2_Timer();

  protected:
    void build() override;
    void Form_Load() override;
    // The window manager's close does what the window's own "x" does.
    void QueryClose() override { Label2_Click(); }

  private:
    void build_bars();

    aol::Random& m_random;
    DragState m_drag;
};

}  // namespace rv::ui
