#include "afk/afk1.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/forms/environment.h"

namespace rv::afk {

namespace {

// Every line of the bot begins with this: blue, Arial Narrow, the bold "··›", bold off.
constexpr const char* kAfkOpening =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A</b>";

constexpr forms::Color kLightGrey = 0xE0E0E0;
constexpr forms::Color kGradientLeft = 0x80000016;
constexpr forms::Color kGradientRight = 0x00FF0000;

// A counter caption read as a number; anything that is not one counts as 0.
long long caption_number(const std::string& caption) {
    long long v = 0;
    const char* first = caption.data();
    const char* last = first + caption.size();
    while (first != last && *first == ' ') ++first;
    if (std::from_chars(first, last, v).ec != std::errc()) return 0;
    return v;
}

void count_up(forms::Label& counter) {
    counter.set_caption(std::to_string(caption_number(counter.caption()) + 1));
}

}  // namespace

afk1::afk1(forms::Environment& env, aol::Automation& aol, std::string message_file)
    : Form(env, "afk1"),
      Chat1(aol.desktop(), env.loop()),
      m_aol(aol),
      m_messages(std::move(message_file)) {
    Chat1.ChatMessage = [this](const std::string& ScreenName, const std::string& Text) {
        Chat1_ChatMessage(ScreenName, Text);
    };
}

afk1::~afk1() = default;

void afk1::build() {
    set_caption("afk bot");
    set_back_color(forms::kBlack);
    set_width(3795);
    set_height(1605);
    // In the middle of the screen each time it opens.
    set_left((env().screen_width_twips() - width()) / 2);
    set_top((env().screen_height_twips() - height()) / 2);
    afkReason.clear();
    // Labels first: the toolkit draws every label beneath the windowed controls.
    build_labels();
    build_windowed_controls();

    Timer1 = add<forms::Timer>("Timer1");
    Timer1->set_interval_ms(kMinuteMs);
    Timer1->set_timer_enabled(false);  // off until Start
    Timer1->on_timer = [this] { Timer1_Timer(); };
    Timer2 = add<forms::Timer>("Timer2");
    Timer2->set_interval_ms(1);
    Timer2->on_timer = [this] { Timer2_Timer(); };
}

void afk1::build_labels() {
    const forms::Font tahoma{"Tahoma", 9.75f, true};
    struct Spec {
        forms::Label*& label;
        const char* name;
        const char* caption;
        float left, top, width, height;
    };
    // The counters after their captions and the staircase letters last, so that each stands
    // above the blank part of the wider label it overlaps.
    const Spec specs[] = {
        {Label1, "Label1", "\"Zuzived Eruru Ruv\"_ AFK By Vosk", 0, 120, 3375, 255},
        {Label8, "Label8", "X", 3600, 120, 135, 255},
        {Label2, "Label2", "Minz=", 120, 720, 975, 255},
        {Label3, "Label3", "Hrs=", 1200, 720, 855, 255},
        {Minz, "Minz", "0", 720, 720, 255, 255},
        {Hrs, "Hrs", "0", 1680, 720, 375, 255},
        {Label4, "Label4", "V", 1680, 360, 135, 255},
        {Label5, "Label5", "o", 1800, 480, 135, 255},
        {Label6, "Label6", "s", 1920, 600, 135, 255},
        {Label7, "Label7", "k", 2040, 720, 135, 255},
    };
    for (const auto& s : specs) {
        s.label = add<forms::Label>(s.name);
        s.label->move(s.left, s.top, s.width, s.height);
        s.label->set_caption(s.caption);
        s.label->set_font(tahoma);
        s.label->set_fore_color(kLightGrey);
        s.label->set_back_color(forms::kBlack);
        s.label->set_transparent(false);
    }
    Label1->set_transparent(true);
    ui::MakeDragSurface(*Label1, *this, m_drag);
    Label1->on_dbl_click = [this] { Label1_DblClick(); };
    Label8->set_tool_tip("Exit afk By Vosk");
    Label8->on_dbl_click = [this] { Label8_DblClick(); };
}

void afk1::build_windowed_controls() {
    const forms::Font tahoma{"Tahoma", 9.75f, true};
    Picture1 = add<forms::PictureBox>("Picture1");
    Picture1->move(0, 960, 3855, 615);
    List1 = add<forms::ListBox>("List1");
    List1->move(120, 960, 3615, 540);
    List1->set_sorted(true);
    List1->set_font(tahoma);
    List1->set_fore_color(kLightGrey);
    List1->set_back_color(forms::kBlack);
    Picture2 = add<forms::PictureBox>("Picture2");
    Picture2->move(0, 0, 3855, 135);

    Command1 = add<forms::Button>("Command1");
    Command1->move(240, 480, 855, 240);
    Command1->set_caption("Start");
    Command1->set_tool_tip("Starts afk Bot");
    Command1->on_click = [this] { Command1_Click(); };
    Command2 = add<forms::Button>("Command2");
    Command2->move(2520, 480, 855, 255);
    Command2->set_caption("Stop");
    Command2->set_tool_tip("Stops afk Bot");
    Command2->on_click = [this] { Command2_Click(); };
    for (forms::Button* b : {Command1, Command2}) b->set_font(tahoma);
}

void afk1::send(const std::string& rest) {
    m_aol.ChatSend(kAfkOpening + rest);
}

bool afk1::save_messages() {
    return SaveList(m_messages, *List1);
}

bool afk1::room_for_a_message() {
    if (List1->list_count() < kMaxMessages) return true;
    if (!m_told_full) {
        m_told_full = true;
        std::fprintf(stderr, "ravelin: the away bot holds %d messages; it takes no more\n",
                     kMaxMessages);
    }
    return false;
}

void afk1::Form_Load() {
    // The file's messages are the user's, unread: this load's join them.
    m_messages.load();
    m_told_full = false;
    ui::PaintGradient(*Picture1, kGradientLeft, kGradientRight);
    ui::PaintGradient(*Picture2, kGradientLeft, kGradientRight);
    afkHandle = env().InputBox("Enter You're Handle 1 More Time");
    ui::MakeTopmost(*this);
    send("afk _-by <B>Vosk\u2122</B>-_ Loaded");
    Timer1->set_timer_enabled(false);
}

void afk1::Form_Unload() {
    // The scanner ends with the window: a message taken now would have no list to go to.
    Chat1.ScanOff();
    send("afk _-by Vosk\u2122-_ UnLoaded");
}

void afk1::Command1_Click() {
    afkReason = env().InputBox("Whats Ur Lie???");
    // Closed while the prompt was open: nothing is left to start.
    if (!loaded()) return;
    Chat1.ScanOn();
    Timer1->set_timer_enabled(true);
    send("afk On");
    m_aol.WaitSeconds(0.2);
    send(afkHandle + "   Is afk");
    m_aol.WaitSeconds(0.2);
    send("Rsn:  " + afkReason);
}

void afk1::Command2_Click() {
    Chat1.ScanOff();
    Timer1->set_timer_enabled(false);
    save_messages();
    send(afkHandle + " Was afk for~> (" + Minz->caption() + ") Minz(" + Hrs->caption() + ") Hrs");
    send("You Have  (" + std::to_string(List1->list_count()) + ")  messages");
}

void afk1::Timer1_Timer() {
    count_up(*Minz);
    if (Minz->caption() == "60") {
        Minz->set_caption("0");
        count_up(*Hrs);
    }
    send(afkHandle + "  Been afk For ~> Minz  (" + Minz->caption() + ")  Hrs  (" + Hrs->caption() +
         ")");
    send("TYPE (.msg) to leave msg");
    send("Rsn: " + afkReason);
}

void afk1::Timer2_Timer() {
    ui::MarqueeTick(*Label1, Label1->width(), Picture1->width());
}

void afk1::Label8_DblClick() {
    save_messages();
    Unload();
}

void afk1::Label1_DblClick() {
    ui::MakeNotTopmost(*this);
}

void afk1::Chat1_ChatMessage(const std::string& ScreenName, const std::string& Text) {
    std::optional<std::string> entry = message_entry(ScreenName, Text);
    if (!entry || !room_for_a_message()) return;
    // Half a second after the line was said; a line that waited its turn behind a flood has
    // waited that long already, so a flood is answered as fast as the disk takes it.
    const double said_at = Chat1.arrived_at();
    m_aol.WaitSeconds(std::max(0.0, said_at + 0.5 - env().loop().now()));
    if (loaded() && !room_for_a_message()) return;
    // Only a message that is on disk is reported as saved. Taken while the window closed, it
    // is on disk all the same: the next load finds it among the earlier ones.
    const bool saved = m_messages.append(*entry);
    if (loaded()) List1->add_item(std::move(*entry));
    if (saved) send("Message Saved");
}

}  // namespace rv::afk
