#pragma once
// The main window: the player with its title strip, start-up and shut-down.
#include <string>

#include "player/player_window.h"
#include "ui/window_behaviour.h"

namespace rv::app {

class Form1 : public player::PlayerWindow {
  public:
    Form1(forms::Environment& env, player::Services& services, ui::Windows& windows);

    forms::PictureBox* Picture1 = nullptr;
    forms::Label* Label2 = nullptr;
    forms::Label* lbtitle = nullptr;
    forms::Label* lbmin = nullptr;
    forms::Label* lbclose = nullptr;
    forms::Label* Label3 = nullptr;
    forms::Label* Label4 = nullptr;
    forms::Label* Label10 = nullptr;
    forms::Label* Label11 = nullptr;
    forms::Label* Label12 = nullptr;
    forms::Timer* Timer2 = nullptr;

    std::string userHandle;

    void lbclose_Click() override;
    void lbmin_Click();
    void Label2_Click();
    void lbtitle_DblClick();
    void Label3_Click();
    void Label4_Click();
    void Label10_Click();
    void Label11_Click();
    void Label12_Click();
    void Timer2_Timer();

    ui::DragState& drag_state() { return m_drag; }

    static constexpr float kRolledDownTwips = 2175;
    static constexpr float kRolledUpTwips = 235;
    static const std::string& handle_prompt();

  protected:
    void build() override;
    void Form_Load() override;
    // The window manager's close shuts the player down, as the "x" label does.
    void QueryClose() override { lbclose_Click(); }
    // The player's keys: each is a user's click on the label that does the same.
    bool Form_KeyDown(int key_code, int shift) override;

  private:
    ui::DragState m_drag;
};

}  // namespace rv::app
