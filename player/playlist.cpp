// The playlist is the music folder: File1 lists its *.mp3 files.
#include "aol/lines.h"
#include "player/player_window.h"

namespace rv::player {

void PlayerWindow::File1_Click() {
    Label9->set_caption(File1->file_name());
}

void PlayerWindow::File1_DblClick() {
    // With nothing selected there is nothing to open; playback stays as it is.
    if (File1->list_index() == -1) return;
    if (MediaPlayer1.PlayState() == media::kPlaying) halt_for_switch();
    if (!open_selected()) return;
    follow_track();
}

void PlayerWindow::lbref_DblClick() {
    File1->refresh();
    const std::string count = std::to_string(File1->list_count());
    if (File1->list_count() == 0) {
        m_windows.show_folder_chooser();
        Hide();
        return;
    }
    lbmp3num->set_caption(count);
}

void PlayerWindow::lbmp3num_Click() {
    m_services.aol.ChatSend(" " RV_OPENING "Number Of Jamz:-</b><FONT COLOR=#3366FF>" +
                            std::to_string(File1->list_count()));
}

}  // namespace rv::player
