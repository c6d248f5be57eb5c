// Continuous play and seeking, which the desktop's media controller asks for: each goes the
// road of a label, so the room hears what it would hear from a click.
#include <iostream>

#include "aol/settings.h"
#include "player/player_window.h"

namespace rv::player {

namespace {
constexpr double kShortTrackSeconds = 1.0;
// Keys of their own in the settings file, beside the music folder.
constexpr const char* kSection = "ravelin";
constexpr const char* kLoopKey = "LOOPSTATUS";
constexpr const char* kShuffleKey = "SHUFFLE";

const char* repeat_text(PlayerWindow::Repeat r) {
    switch (r) {
        case PlayerWindow::Repeat::Track:
            return "Track";
        case PlayerWindow::Repeat::Playlist:
            return "Playlist";
        default:
            return "None";
    }
}
}  // namespace

void PlayerWindow::load_continuous_play() {
    const std::string loop = aol::ReadSetting(kSection, kLoopKey, m_services.settings_file);
    // Anything the file holds that is not one of the choices leaves continuous play off.
    m_repeat = loop == "Playlist" ? Repeat::Playlist
               : loop == "Track"  ? Repeat::Track
                                  : Repeat::None;
    m_shuffle = aol::ReadSetting(kSection, kShuffleKey, m_services.settings_file) == "1";
}

void PlayerWindow::set_loop_status(Repeat r) {
    if (r == m_repeat) return;
    m_repeat = r;
    aol::WriteSetting(kSection, kLoopKey, repeat_text(r), m_services.settings_file);
}

void PlayerWindow::set_shuffle(bool on) {
    if (on == m_shuffle) return;
    m_shuffle = on;
    aol::WriteSetting(kSection, kShuffleKey, on ? "1" : "0", m_services.settings_file);
}

void PlayerWindow::play_on_after_end() {
    const int count = File1->list_count();
    if (count == 0 || (m_repeat == Repeat::None && !m_shuffle)) return;
    // Tracks that end as soon as they start (a few frames, or audio that stops decoding) would
    // go round and round, a room line each: after a whole round of them, playing on stops.
    m_short_ends = MediaPlayer1.Duration() < kShortTrackSeconds ? m_short_ends + 1 : 0;
    const int round = m_repeat == Repeat::Track && !m_shuffle ? 1 : count;
    if (m_short_ends >= round) {
        m_short_ends = 0;
        std::cerr << "ravelin: continuous play stopped: the tracks end as soon as they start\n";
        return;
    }
    if (m_repeat == Repeat::Track) {
        lbplay_Click();  // stopped on the selected entry: it opens and is announced
    } else if (m_shuffle) {
        Label1_Click();
    } else if (m_repeat == Repeat::Playlist) {
        forward_announced((File1->list_index() + 1) % count);
    }
}

bool PlayerWindow::seek_to(double seconds) {
    if (!MediaPlayer1.Seek(seconds)) return false;
    if (Timer1->timer_enabled()) Timer1_Timer();
    if (Timer4->timer_enabled()) Timer4_Timer();
    return true;
}

}  // namespace rv::player
