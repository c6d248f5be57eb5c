#pragma once
// The away-from-keyboard window: while its bot runs it tells the room every minute how long
// the user has been away and why, and takes the messages people leave with ".msg".
#include <string>

#include "afk/message_file.h"
#include "aol/automation.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/forms/form.h"
#include "ui/window_behaviour.h"

namespace rv::afk {

class afk1 : public forms::Form {
  public:
    // `message_file` is where the list is saved ("MsgBox.txt" in the program's folder). The
    // window's own chat scanner reads the room through the automation's Desktop.
    afk1(forms::Environment& env, aol::Automation& aol, std::string message_file);
    ~afk1() override;

    forms::PictureBox* Picture1 = nullptr;
    forms::PictureBox* Picture2 = nullptr;
    forms::Label* Label1 = nullptr;
    forms::Label* Label8 = nullptr;
    forms::Button* Command1 = nullptr;
    forms::Button* Command2 = nullptr;
    forms::Label* Label4 = nullptr;
    forms::Label* Label5 = nullptr;
    forms::Label* Label6 = nullptr;
    forms::Label* Label7 = nullptr;
    forms::Label* Label2 = nullptr;
    forms::Label* Minz = nullptr;
    forms::Label* Label3 = nullptr;
    forms::Label* Hrs = nullptr;
    forms::ListBox* List1 = nullptr;
    forms::Timer* Timer1 = nullptr;
    forms::Timer* Timer2 = nullptr;
    chatscan::ChatScanner Chat1;

    std::string afkHandle;
    std::string afkReason;

    void Command1_Click();   // Start
    void Command2_Click();   // Stop
    void Timer1_Timer();     // the minute tick
    void Timer2_Timer();     // the title marquee
    void Label8_DblClick();  // Exit
    void Label1_DblClick();  // leave the topmost band
    void Chat1_ChatMessage(const std::string& ScreenName, const std::string& Text);

    const std::string& message_file() const { return m_messages.path(); }
    ui::DragState& drag_state() { return m_drag; }

    static constexpr int kMinuteMs = 60000;
    // A load takes at most this many messages; a flood beyond it is not taken.
    static constexpr int kMaxMessages = 10000;

  protected:
    void build() override;
    void Form_Load() override;
    void Form_Unload() override;
    // The window manager's close does what the window's own "X" does.
    void QueryClose() override { Label8_DblClick(); }

  private:
    void build_labels();
    void build_windowed_controls();
    // Saves the list; false (and a line on stderr) when the file could not be replaced.
    bool save_messages();
    // False (and, once a load, a line on stderr) when the list holds all it may.
    bool room_for_a_message();
    void send(const std::string& rest);

    aol::Automation& m_aol;
    MessageFile m_messages;
    bool m_told_full = false;
    ui::DragState m_drag;
};

}  // namespace rv::afk
