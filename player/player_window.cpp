#include "player/player_window.h"

#include <iostream>

#include "aol/lines.h"
#include "platform/forms/environment.h"

namespace rv::player {

using forms::Alignment;
using forms::Font;

PlayerWindow::PlayerWindow(forms::Environment& env, std::string name, Services& services,
                           ui::Windows& windows)
    : Form(env, std::move(name)),
      MediaPlayer1(services.media),
      Chat1(services.aol.desktop(), env.loop()),
      m_services(services),
      m_windows(windows) {
    MediaPlayer1.EndOfStream = [this] { MediaPlayer1_EndOfStream(); };
}

PlayerWindow::~PlayerWindow() {
    MediaPlayer1.EndOfStream = nullptr;
}

void PlayerWindow::build_player_controls() {
    const Font arial9b{"Arial", 9, true};
    const Font webdings9{"Webdings", 9, false};

    File1 = add<forms::FileListBox>("File1");
    File1->move(0, 240, 4095, 930);
    File1->set_back_color(forms::kBlack);
    File1->set_fore_color(forms::kBlue);
    File1->set_font(arial9b);
    File1->set_pattern("*.mp3");
    File1->on_click = [this] { File1_Click(); };
    File1->on_dbl_click = [this] { File1_DblClick(); };

    Picture2 = add<forms::PictureBox>("Picture2");
    Picture2->move(0, 1200, 4185, 255);
    Picture2->set_back_color(forms::kBlack);
    Label9 = add<forms::Label>("Label9", Picture2);
    Label9->move(360, 0, 3375, 255);
    Label9->set_font(arial9b);
    Label9->set_fore_color(forms::kWhite);
    Label9->set_back_color(forms::kBlue);
    Label9->set_transparent(false);
    Label9->set_alignment(Alignment::Center);

    struct Cmd {
        forms::Label*& label;
        const char* name;
        const char* glyph;
        float left;
        void (PlayerWindow::*handler)();
    };
    const Cmd cmds[] = {{lbback, "lbback", "9", 0, &PlayerWindow::lbback_Click},
                        {lbstop, "lbstop", "<", 240, &PlayerWindow::lbstop_Click},
                        {lbplay, "lbplay", "4", 360, &PlayerWindow::lbplay_Click},
                        {lbpause, "lbpause", ";", 480, &PlayerWindow::lbpause_Click},
                        {lbfoward, "lbfoward", ":", 720, &PlayerWindow::lbfoward_Click}};
    for (const auto& c : cmds) {
        c.label = add<forms::Label>(c.name);
        c.label->move(c.left, 1440, 180, 285);
        c.label->set_caption(c.glyph);
        c.label->set_font(webdings9);
        c.label->set_fore_color(forms::kBlue);
        auto handler = c.handler;
        c.label->on_click = [this, handler] { (this->*handler)(); };
    }

    auto text_label = [&](forms::Label*& l, const char* name, const char* caption, float left,
                          float width, float height, forms::Color colour) {
        l = add<forms::Label>(name);
        l->move(left, 1440, width, height);
        l->set_caption(caption);
        l->set_font(arial9b);
        l->set_fore_color(colour);
    };
    text_label(lbref, "lbref", "ref", 960, 240, 225, forms::kWhite);
    lbref->on_dbl_click = [this] { lbref_DblClick(); };
    text_label(Label1, "Label1", "mix", 1320, 375, 255, forms::kWhite);
    Label1->on_click = [this] { Label1_Click(); };
    text_label(lbmp3, "lbmp3", "&mp3's:", 1680, 570, 225, forms::kWhite);
    text_label(lbmp3num, "lbmp3num", "0", 2280, 105, 225, forms::kBlue);
    lbmp3num->on_click = [this] { lbmp3num_Click(); };
    text_label(lbtime, "lbtime", "&time:", 2640, 420, 225, forms::kWhite);

    auto time_box = [&](forms::TextBox*& t, const char* name, float left, float width) {
        t = add<forms::TextBox>(name);
        t->move(left, 1440, width, 195);
        t->set_back_color(forms::kBlack);
        t->set_fore_color(forms::kBlue);
        t->set_font(arial9b);
        t->set_locked(true);
    };
    time_box(txttime, "txttime", 3120, 495);
    txttime->on_click = [this] { txttime_Click(); };
    time_box(Text2, "Text2", 3600, 615);
    // The row below the strip begins 15 twips above the strip's bottom edge: the strip lies
    // over it, so its bottom edge runs straight past the time boxes.
    Picture2->ZOrder(0);

    DogBar1 = add<forms::LevelBar>("DogBar1");
    DogBar1->move(120, 1680, 3975, 135);
    DogBar1->set_bar_colors(0xC00000, 0xFF0000);
    DogBar1->set_back_color(0x000000);

    // Placed outside the window, as designed: no user reaches it. Its range keeps every
    // value + 2500 within the player's -2500 .. 0.
    hscroll1 = add<forms::ScrollBar>("hscroll1");
    hscroll1->move(4320, 0, 135, 1455);
    hscroll1->set_range(-5000, -2500);
    hscroll1->set_changes(2500, 0);
    hscroll1->on_change = [this] { hscroll1_Change(); };

    auto timer = [&](forms::Timer*& t, const char* name, int interval, bool on,
                     void (PlayerWindow::*handler)()) {
        t = add<forms::Timer>(name);
        t->set_interval_ms(interval);
        t->set_timer_enabled(on);
        t->on_timer = [this, handler] { (this->*handler)(); };
    };
    timer(Timer1, "Timer1", 25, false, &PlayerWindow::Timer1_Timer);
    timer(Timer3, "Timer3", 4, true, &PlayerWindow::Timer3_Timer);
    timer(Timer4, "Timer4", 25, false, &PlayerWindow::Timer4_Timer);
}

void PlayerWindow::set_enabled(std::initializer_list<forms::Control*> controls, bool on) {
    for (auto* c : controls) c->set_enabled(on);
}

void PlayerWindow::set_timers(std::initializer_list<forms::Timer*> timers, bool on) {
    for (auto* t : timers) t->set_timer_enabled(on);
}

bool PlayerWindow::open_selected() {
    return open_path(File1->file_path());
}

bool PlayerWindow::open_path(const std::string& path) {
    if (MediaPlayer1.Open(path)) return true;
    // Nothing plays, so nothing may look as if it did; the room hears nothing of it, a person
    // at the terminal sees why.
    Timer1->set_timer_enabled(false);
    DogBar1->set_value(0);
    set_enabled({lbpause, lbstop}, false);
    std::cerr << "ravelin: " << path << " will not play: " << MediaPlayer1.open_error() << "\n";
    return false;
}

std::string PlayerWindow::playing_line() const {
    return " " RV_OPENING "playing:-</b><FONT COLOR=#3366FF>" + File1->file_name() + "\u00A4";
}

}  // namespace rv::player
