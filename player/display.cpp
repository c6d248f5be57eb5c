// Progress bar, elapsed and total time, and the scrolling song title.
#include <cmath>

#include "aol/lines.h"
#include "player/player_window.h"

namespace rv::player {

namespace {

std::string two_digits(long long v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// Whole seconds, halves to the even neighbour (the progress bar's rounding).
long long round_even(double seconds) {
    return std::llrint(seconds);
}
// Whole seconds, halves away from zero (the time texts' rounding).
long long round_away(double seconds) {
    return std::llround(seconds);
}

}  // namespace

std::string FormatTime(long long p) {
    if (p < 0) p = 0;
    if (p >= 60) return two_digits(p / 60) + ":" + two_digits(p % 60);
    return "00:" + two_digits(p);
}

void PlayerWindow::Timer1_Timer() {
    // Whole seconds in 32 bits: a long track does not freeze the bar at nine hours.
    const double duration = MediaPlayer1.Duration();
    const double position = MediaPlayer1.CurrentPosition();
    if (!std::isfinite(duration) || !std::isfinite(position)) return;
    DogBar1->set_max(static_cast<int>(round_even(duration)));
    DogBar1->set_value(static_cast<int>(round_even(position)));
}

void PlayerWindow::Timer4_Timer() {
    const double position = MediaPlayer1.CurrentPosition();
    const double duration = MediaPlayer1.Duration();
    if (!std::isfinite(position) || !std::isfinite(duration)) return;
    txttime->set_text(FormatTime(round_away(position)));
    Text2->set_text("  " + FormatTime(round_away(duration)));
}

void PlayerWindow::txttime_Click() {
    m_services.aol.ChatSend(
        "<FONT COLOR=#0033CC><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT "
        "COLOR=#222222>Jam Time =</B><FONT COLOR=#3366FF> " +
        txttime->text() + " /" + Text2->text());
}

void PlayerWindow::Timer3_Timer() {
    Label9->set_caption(File1->file_name());
    if (Label9->left() >= -Label9->width()) {
        Label9->set_left(Label9->left() - 10);
    } else {
        // Re-enters from about six twips short of its own width.
        Label9->set_left(Label9->width() - 1);
        Label9->set_left(Label9->left() - 5);
    }
}

}  // namespace rv::player
