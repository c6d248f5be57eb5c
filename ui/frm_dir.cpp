#include "ui/frm_dir.h"

#include "aol/settings.h"
#include "platform/forms/environment.h"

namespace rv::ui {

namespace {
constexpr forms::Color kLightGrey = 0xE0E0E0;
}

frmDir::frmDir(forms::Environment& env, std::string settings_file,
               std::function<MainWindowLink()> main_window)
    : Form(env, "frmDir"),
      m_settings_file(std::move(settings_file)),
      m_main(std::move(main_window)) {}

void frmDir::build() {
    set_caption("Form2");
    set_back_color(forms::kBlack);
    set_width(2025);
    set_height(2010);
    // In the middle of the screen when first loaded.
    set_left((env().screen_width_twips() - width()) / 2);
    set_top((env().screen_height_twips() - height()) / 2);
    const forms::Font arial{"Arial", 8.25f, true};

    Picture1 = add<forms::PictureBox>("Picture1");
    Picture1->move(0, 0, 1995, 1740);
    Label1 = add<forms::Label>("Label1", Picture1);
    Label1->move(360, 0, 1215, 210);
    Label1->set_caption("Set Directory");
    Label1->set_alignment(forms::Alignment::Center);
    Label1->set_font(arial);
    Label1->set_fore_color(kLightGrey);
    MakeDragSurface(*Label1, *this, m_drag);

    Drive1 = add<forms::DriveListBox>("Drive1");
    Drive1->move(0, 240, 1935, 330);
    Dir1 = add<forms::DirListBox>("Dir1");
    Dir1->move(0, 600, 1935, 1050);
    for (forms::Control* c :
         {static_cast<forms::Control*>(Drive1), static_cast<forms::Control*>(Dir1)}) {
        c->set_back_color(forms::kBlack);
        c->set_fore_color(kLightGrey);
        c->set_font(arial);
    }
    Dir1->set_path("");  // the process's current folder

    lbok = add<forms::Label>("lbok");
    lbok->move(360, 1680, 210, 210);
    lbok->set_caption("ok");
    lbexit = add<forms::Label>("lbexit");
    lbexit->move(1200, 1680, 525, 210);
    lbexit->set_caption("cancel");
    for (forms::Label* l : {lbok, lbexit}) {
        l->set_font(arial);
        l->set_fore_color(kLightGrey);
    }
    lbok->on_click = [this] { lbok_Click(); };
    lbexit->on_click = [this] { lbexit_Click(); };

    Timer1 = add<forms::Timer>("Timer1");
    Timer1->set_interval_ms(1);
    Timer1->on_timer = [this] { Timer1_Timer(); };
}

void frmDir::Form_Load() {
    PaintGradient(*Picture1, 0x80000016, 0x00FF0000);
    MakeTopmost(*this);
    const std::string stored = aol::ReadSetting("ravelin", "directory", m_settings_file);
    if (!stored.empty()) {
        Hide();
        if (MainWindowLink main = m_main(); main.form) main.form->Show();
    } else {
        Show();
    }
}

bool frmDir::Form_KeyDown(int key_code, int shift) {
    if (shift & (forms::kCtrlMask | forms::kAltMask)) return false;
    if (key_code == forms::kKeyReturn)
        lbok->user_click();
    else if (key_code == forms::kKeyEscape)
        lbexit->user_click();
    else
        return false;
    return true;
}

void frmDir::lbok_Click() {
    MainWindowLink main = m_main();
    const std::string folder = Dir1->path();
    main.File1->set_path(folder);
    aol::WriteSetting("ravelin", "DIRECTORY", folder, m_settings_file);
    // The list follows what the file holds: a write that did not land leaves the old folder.
    main.File1->set_path(aol::ReadSetting("ravelin", "Directory", m_settings_file));
    main.lbmp3num->set_caption(std::to_string(main.File1->list_count()));
    Hide();
    main.form->Show();
}

void frmDir::lbexit_Click() {
    Hide();
    if (MainWindowLink main = m_main(); main.form) main.form->Show();
}

void frmDir::Timer1_Timer() {
    MarqueeTick(*Label1, Label1->width(), Picture1->width());
}

}  // namespace rv::ui
