#pragma once
// The main window: the player with its title strip, start-up and shut-down.
#include <memory>
#include <string>

#include "player/player_window.h"
#include "ui/frm_dir.h"
#include "ui/window_behaviour.h"

namespace rv::app {

class Form1 : public player::PlayerWindow {
  public:
    Form1(forms::Environment& env, player::Services& services);
    ~Form1() override;

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
    void Label12_Click();
    void Timer2_Timer();

    ui::frmDir& folder_chooser() { return *m_frmDir; }
    // Shows the command help window (its start-up runs if it is not loaded).
    std::function<void()> show_help;
    ui::DragState& drag_state() { return m_drag; }

    static constexpr float kRolledDownTwips = 2175;
    static constexpr float kRolledUpTwips = 235;
    static const std::string& handle_prompt();

  protected:
    void build() override;
    void Form_Load() override;

  private:
    ui::DragState m_drag;
    std::unique_ptr<ui::frmDir> m_frmDir;
};

}  // namespace rv::app
