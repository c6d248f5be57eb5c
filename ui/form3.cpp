#include "ui/form3.h"

#include "platform/forms/environment.h"

namespace rv::ui {

const std::string& Form3::command_list() {
    // The blanks at the ends of some lines are part of the text, as is the one inside ".new ".
    static const std::string text =
        "\".p\" -Play Song\r\n"
        "\".r\"-Mix it up\r\n"
        "\".stop\" \r\n"
        "\".next\" \r\n"
        "\".back\"\r\n"
        "\".vol\"- 0_100\r\n"
        "\".mute\"\r\n"
        "\".muteoff\"\r\n"
        "\".afk\"- Loads Afk Bot\r\n"
        "\".new \" -Opens New \r\n"
        "Mail\r\n"
        "\".old\" -Opens Old Mail\r\n"
        "\".sent\" -Opens Sent \r\n"
        "Mail \r\n"
        "\".delmail\" -Opens \r\n"
        "Deleted Mail\r\n"
        "\".exit\"- Closes Prog\r\n"
        "\".eq\" -Open Eq\r\n";
    return text;
}

Form3::Form3(forms::Environment& env) : Form(env, "Form3") {}

void Form3::build() {
    set_caption("Form3");
    set_back_color(forms::kBlack);
    set_width(2445);
    set_height(1800);
    float left = 0, top = 0;
    env().default_position(left, top);
    set_left(left);
    set_top(top);

    Label1 = add<forms::Label>("Label1");
    Label1->move(240, 0, 1815, 255);
    Label1->set_caption("Ravelin Commands");
    Label1->set_font(forms::Font{"Arial", 9, true});
    Label1->set_fore_color(forms::kWhite);
    MakeDragSurface(*Label1, *this, m_drag);

    Label2 = add<forms::Label>("Label2");
    Label2->move(2160, 0, 135, 255);
    Label2->set_caption("x");
    Label2->set_font(forms::Font{"MS Sans Serif", 8.25f, true});
    Label2->set_fore_color(forms::kWhite);
    Label2->on_click = [this] { Label2_Click(); };

    // First in the tab order: the keyboard focus is here when the window shows.
    Text1 = add<forms::TextBox>("Text1");
    Text1->move(0, 240, 2415, 1455);
    Text1->set_multi_line(true);
    Text1->set_scroll_bars(2);
    Text1->set_back_color(forms::kBlack);
    Text1->set_fore_color(forms::kBlue);
    Text1->set_font(forms::Font{"Arial", 9, true});
    Text1->set_text(command_list());

    Timer1 = add<forms::Timer>("Timer1");
    Timer1->set_interval_ms(2);
    Timer1->on_timer = [this] { Timer1_Timer(); };
}

void Form3::Form_Load() {
    MakeTopmost(*this);
}

void Form3::Label2_Click() {
    SlideAway(*this);
}

void Form3::Timer1_Timer() {
    MarqueeTick(*Label1, Label1->width(), Label1->width());
}

}  // namespace rv::ui
