#pragma once
// The folder chooser: the user picks the folder whose MP3 files make the playlist.
#include <functional>
#include <string>

#include "platform/forms/form.h"
#include "ui/window_behaviour.h"

namespace rv::ui {

// What the chooser reaches of the main window.
struct MainWindowLink {
    forms::Form* form = nullptr;
    forms::FileListBox* File1 = nullptr;
    forms::Label* lbmp3num = nullptr;
};

class frmDir : public forms::Form {
  public:
    frmDir(forms::Environment& env, std::string settings_file,
           std::function<MainWindowLink()> main_window);

    forms::PictureBox* Picture1 = nullptr;
    forms::Label* Label1 = nullptr;
    forms::DriveListBox* Drive1 = nullptr;
    forms::DirListBox* Dir1 = nullptr;
    forms::Label* lbok = nullptr;
    forms::Label* lbexit = nullptr;
    forms::Timer* Timer1 = nullptr;

    void lbok_Click();
    void lbexit_Click();
    void Timer1_Timer();

  protected:
    void build() override;
    void Form_Load() override;
    // The window manager's close cancels, as "cancel" does.
    void QueryClose() override { lbexit_Click(); }
    // Enter is "ok", Escape "cancel", each as a click on the label.
    bool Form_KeyDown(int key_code, int shift) override;

  private:
    std::string m_settings_file;
    std::function<MainWindowLink()> m_main;
    DragState m_drag;
};

}  // namespace rv::ui
