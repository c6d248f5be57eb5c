#include "app/form1.h"

#include "aol/instant_message.h"
#include "aol/lines.h"
#include "aol/settings.h"
#include "platform/forms/environment.h"

namespace rv::app {

using forms::Font;

namespace {
constexpr const char* kPowerOn =
    RV_OPENING "Ravelin Player By</b><FONT COLOR=#3366FF> V<u>o</U>sk\u2122 \u00B7PowerOn";
constexpr const char* kPowerOff =
    RV_OPENING "Ravelin Player By</b><FONT COLOR=#3366FF> V<u>o</U>sk\u2122 \u00B7 PowerOff";
}  // namespace

const std::string& Form1::handle_prompt() {
    // The blanks push the thanks onto a line of its own in the box.
    static const std::string prompt = "Enter You're Handle" + std::string(57, ' ') +
                                      "Thanks for playing your music with Ravelin!";
    return prompt;
}

Form1::Form1(forms::Environment& env, player::Services& services, ui::Windows& windows)
    : PlayerWindow(env, "Form1", services, windows) {}

void Form1::build() {
    set_caption("Ravelin By Vosk");
    set_back_color(forms::kBlack);
    set_left(3255);
    set_top(2355);
    set_width(4155);
    set_height(kRolledDownTwips);

    Picture1 = add<forms::PictureBox>("Picture1");
    Picture1->move(0, 0, 4170, 225);

    Label2 = add<forms::Label>("Label2", Picture1);
    Label2->move(120, 0, 60, 225);
    Label2->set_caption("\u2022");
    Label2->set_font(Font{"Arial", 9, true});
    Label2->set_fore_color(0xE0E0E0);
    Label2->on_click = [this] { Label2_Click(); };

    lbtitle = add<forms::Label>("lbtitle", Picture1);
    lbtitle->move(960, 0, 1875, 210);
    lbtitle->set_caption("Ravelin mp3 By Vosk");
    lbtitle->set_font(Font{"Arial", 8.25f, true});
    lbtitle->set_fore_color(forms::kWhite);
    lbtitle->on_dbl_click = [this] { lbtitle_DblClick(); };
    ui::MakeDragSurface(*lbtitle, *this, m_drag);
    ui::MakeDragSurface(*this, m_drag);

    lbmin = add<forms::Label>("lbmin", Picture1);
    lbmin->move(3720, 0, 105, 240);
    lbmin->set_caption("-");
    lbmin->set_font(Font{"Comic Sans MS", 8.25f, true});
    lbmin->set_fore_color(forms::kWhite);
    lbmin->on_click = [this] { lbmin_Click(); };

    lbclose = add<forms::Label>("lbclose", Picture1);
    lbclose->move(3960, 0, 105, 195);
    lbclose->set_caption("x");
    lbclose->set_font(Font{"MS Sans Serif", 8.25f, true});
    lbclose->set_fore_color(forms::kWhite);
    lbclose->on_click = [this] { lbclose_Click(); };

    build_player_controls();

    struct Bottom {
        forms::Label*& label;
        const char* name;
        const char* caption;
        float left, width, size;
    };
    const Bottom bottoms[] = {{Label3, "Label3", "Load", 120, 495, 8.25f},
                              {Label4, "Label4", "afk bot", 720, 855, 8.25f},
                              {Label10, "Label10", "Im$ on", 1680, 735, 9},
                              {Label11, "Label11", "iM$ off", 2640, 735, 9},
                              {Label12, "Label12", "Cmds", 3480, 615, 9}};
    for (const auto& b : bottoms) {
        b.label = add<forms::Label>(b.name);
        b.label->move(b.left, 1800, b.width, 255);
        b.label->set_caption(b.caption);
        b.label->set_font(Font{"Arial", b.size, true});
        b.label->set_fore_color(forms::kWhite);
    }
    Label3->on_click = [this] { Label3_Click(); };
    Label4->on_click = [this] { Label4_Click(); };
    Label10->on_click = [this] { Label10_Click(); };
    Label11->on_click = [this] { Label11_Click(); };
    Label12->on_click = [this] { Label12_Click(); };

    Timer2 = add<forms::Timer>("Timer2");
    Timer2->set_interval_ms(2);
    Timer2->on_timer = [this] { Timer2_Timer(); };
}

void Form1::Form_Load() {
    userHandle = env().InputBox(handle_prompt());
    Chat1.ScanOn();
    ui::PaintGradient(*Picture1, 0x80000016, 0xFF0000);
    ui::MakeTopmost(*this);
    set_height(kRolledDownTwips);
    File1->set_path(aol::ReadSetting("ravelin", "DIRECTORY", m_services.settings_file));
    load_continuous_play();
    lbmp3num->set_caption(std::to_string(File1->list_count()));
    m_services.aol.ChatSend(kPowerOn);
    m_services.aol.WaitSeconds(0.1);
    m_services.aol.ChatSend(
        "</html><html><FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><B>\u00B7\u00B7\u203A "
        "<FONT COLOR=#222222>Vade3r:</b><FONT COLOR=#3366FF> " +
        userHandle + "<FONT COLOR=#3366FF> <FONT COLOR=#222222>");
    Timer3->set_timer_enabled(false);
}

void Form1::lbclose_Click() {
    ui::SlideOffScreen(*this);
    m_services.aol.ChatSend(kPowerOff);
    m_services.aol.WaitSeconds(0.1);
    m_services.aol.ChatSend(
        "</html><html><FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><B>\u00B7\u00B7\u203A"
        "<FONT COLOR=#222222>Vade3r: </b><FONT COLOR=#3366FF>" +
        userHandle + "<FONT COLOR=#3366FF>, <FONT COLOR=#222222>");
    MediaPlayer1.Stop();
    m_windows.end_program();
}

bool Form1::Form_KeyDown(int key_code, int shift) {
    using namespace forms;
    if (shift & (kCtrlMask | kAltMask)) return false;
    // A click on a label that is switched off does nothing, so neither does its key (Right
    // while paused, for one).
    Label* label = nullptr;
    switch (key_code) {
        case kKeySpace:
            label = MediaPlayer1.PlayState() == media::kStopped ? lbplay : lbpause;
            break;
        case kKeyReturn:
            label = lbplay;
            break;
        case kKeyRight:
            label = lbfoward;
            break;
        case kKeyLeft:
            label = lbback;
            break;
        case 'S':
            label = lbstop;
            break;
        case 'R':
            label = Label1;
            break;
        case 'L':
            label = Label3;
            break;
        case kKeyEscape:
            label = lbmin;
            break;
        case kKeyUp:
        case kKeyDown:
            File1->user_step(key_code == kKeyUp ? -1 : 1);
            return true;
        default:
            return false;
    }
    label->user_click();
    return true;
}

void Form1::lbmin_Click() {
    set_window_state(forms::WindowState::Minimized);
}

void Form1::Label2_Click() {
    EventLoop& loop = env().loop();
    // One twip a step, pumping between steps. Where a view rounds heights, the loops stop
    // at the first height at or past the target.
    if (height() == kRolledDownTwips) {
        do {
            loop.pump();
            set_height(height() - 1);
        } while (height() > kRolledUpTwips);
        Label2->set_fore_color(0xDB756C);
    } else {
        do {
            loop.pump();
            set_height(height() + 1);
        } while (height() < kRolledDownTwips);
        Label2->set_fore_color(forms::kWhite);
    }
    ui::MakeTopmost(*this);
}

void Form1::lbtitle_DblClick() {
    m_services.aol.ChatSend(aol::kCreditLine);
}

void Form1::Label3_Click() {
    m_windows.show_folder_chooser();
}

void Form1::Label4_Click() {
    m_windows.show_afk();
}

// The client switches its instant messages by a message to these two names; the program
// keeps no record of the state.
void Form1::Label10_Click() {
    aol::SendInstantMessage(m_services.aol, "$IM_ON", " ");
}

void Form1::Label11_Click() {
    aol::SendInstantMessage(m_services.aol, "$IM_OFF", " ");
}

void Form1::Label12_Click() {
    m_windows.show_help();
}

void Form1::Timer2_Timer() {
    ui::MarqueeTick(*lbtitle, lbtitle->width(), lbtitle->width());
}

}  // namespace rv::app
