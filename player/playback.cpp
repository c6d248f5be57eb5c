// The playback commands. Every decision reads the player's PlayState at that moment: the
// program keeps no playback state of its own.
#include "aol/lines.h"
#include "aol/random.h"
#include "player/player_window.h"

namespace rv::player {

using media::kPaused;
using media::kPlaying;

void PlayerWindow::lbplay_Click() {
    if (File1->list_index() == -1) return;
    if (MediaPlayer1.PlayState() == kPlaying) {
        // A restart: no announcement, the display timers keep their state.
        halt_for_switch();
        if (!open_selected()) return;
        follow_track();
        return;
    }
    if (!open_selected()) return;  // a file that will not play is not announced
    Chat1.SendChatText(playing_line());
    set_timers({Timer1, Timer3, Timer4}, true);
    set_enabled({lbpause, lbstop}, true);
}

void PlayerWindow::lbpause_Click() {
    int state = MediaPlayer1.PlayState();
    if (state == kPlaying) {
        MediaPlayer1.Pause();
        set_enabled({lbplay, lbstop, lbfoward, lbback}, false);
        Timer3->set_timer_enabled(false);
    } else if (state == kPaused) {
        MediaPlayer1.Play();
        set_enabled({lbplay, lbstop, lbfoward, lbback}, true);
        Timer3->set_timer_enabled(true);
    }
}

void PlayerWindow::lbstop_Click() {
    if (MediaPlayer1.PlayState() != kPlaying) return;  // a paused track is not stopped
    MediaPlayer1.Stop();
    Timer1->set_timer_enabled(false);
    DogBar1->set_value(0);
    Chat1.SendChatText(RV_OPENING "Stoped...");
    Timer3->set_timer_enabled(false);
}

void PlayerWindow::lbfoward_Click() {
    const int next = File1->list_index() + 1;
    // Past the last entry there is nothing to open: playback is left as it is.
    if (next >= File1->list_count()) return;
    if (MediaPlayer1.PlayState() == kPlaying) {
        forward_announced(next);
        return;
    }
    File1->set_list_index(next);
    if (!open_selected()) return;
    follow_track();
}

void PlayerWindow::forward_announced(int next) {
    halt_for_switch();
    File1->set_list_index(next);
    if (!open_selected()) return;
    Chat1.SendChatText(playing_line());
    follow_track();
}

void PlayerWindow::lbback_Click() {
    const int index = File1->list_index();
    // On the first entry there is nothing before it; with nothing selected there is no name
    // to announce.
    if (index <= 0) return;
    if (MediaPlayer1.PlayState() != kPlaying) {
        // Nothing moves and nothing opens: the selected entry is only announced.
        Chat1.SendChatText(playing_line());
        return;
    }
    halt_for_switch();
    File1->set_list_index(index - 1);
    if (!open_selected()) return;
    follow_track();
    Chat1.SendChatText(playing_line());
}

void PlayerWindow::Label1_Click() {
    const int count = File1->list_count();
    if (count == 0) return;
    File1->set_list_index(aol::RandomBelow(m_services.random, count));
    if (!open_path(File1->file_path())) return;
    MediaPlayer1.Play();
    m_services.aol.ChatSend(RV_OPENING "Random:-</b><FONT COLOR=#3366FF>" + File1->file_name());
    set_timers({Timer1, Timer3, Timer4}, true);
    set_enabled({lbpause, lbstop}, true);
}

void PlayerWindow::halt_for_switch() {
    MediaPlayer1.Stop();
    Timer1->set_timer_enabled(false);
    set_enabled({lbpause, lbstop}, false);
}

void PlayerWindow::follow_track() {
    Timer1->set_timer_enabled(true);
    set_enabled({lbpause, lbstop}, true);
}

void PlayerWindow::MediaPlayer1_EndOfStream() {
    if (!loaded()) return;
    Timer1->set_timer_enabled(false);
    DogBar1->set_value(0);
    play_on_after_end();
}

void PlayerWindow::hscroll1_Change() {
    // The sum is a 16-bit value in the old arithmetic; one that cannot be held, or one above
    // the loudest setting, is refused rather than handed on.
    const long sum = static_cast<long>(hscroll1->value()) + 2500;
    if (sum < -32768 || sum > 32767) return;
    MediaPlayer1.set_Volume(media::clamp_volume(sum));
}

}  // namespace rv::player
