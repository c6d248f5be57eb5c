#pragma once
// The command help window: the list of chat commands in a scrolling, editable text box.
// Loaded by its first showing and never unloaded; "x" slides it off the screen and hides it.
#include <string>

#include "platform/forms/form.h"
#include "ui/window_behaviour.h"

namespace rv::ui {

class Form3 : public forms::Form {
  public:
    explicit Form3(forms::Environment& env);

    forms::Label* Label1 = nullptr;
    forms::Label* Label2 = nullptr;
    forms::TextBox* Text1 = nullptr;
    forms::Timer* Timer1 = nullptr;

    void Label2_Click();
    void Timer1_Timer();

    // The command list the text box starts with: 18 lines, each ending in CR LF.
    static const std::string& command_list();

  protected:
    void build() override;
    void Form_Load() override;
    // The window manager's close does what the window's own "x" does.
    void QueryClose() override { Label2_Click(); }

  private:
    DragState m_drag;
};

}  // namespace rv::ui
