#pragma once
// The playing half of the main window: the playlist, the playback commands, the time,
// progress and song-title display and the hidden volume bar. The main window adds its title
// strip, start-up and shut-down on top.
#include <functional>
#include <string>

#include "platform/chatscan/chat_scanner.h"
#include "platform/forms/form.h"
#include "player/services.h"
#include "ui/windows.h"

namespace rv::player {

// "MM:SS" with at least two digits of minutes; negative seconds count as 0.
std::string FormatTime(long long seconds);

class PlayerWindow : public forms::Form {
  public:
    PlayerWindow(forms::Environment& env, std::string name, Services& services,
                 ui::Windows& windows);
    ~PlayerWindow() override;

    forms::FileListBox* File1 = nullptr;
    forms::PictureBox* Picture2 = nullptr;
    forms::Label* Label9 = nullptr;
    forms::Label* lbback = nullptr;
    forms::Label* lbstop = nullptr;
    forms::Label* lbplay = nullptr;
    forms::Label* lbpause = nullptr;
    forms::Label* lbfoward = nullptr;
    forms::Label* lbref = nullptr;
    forms::Label* Label1 = nullptr;
    forms::Label* lbmp3 = nullptr;
    forms::Label* lbmp3num = nullptr;
    forms::Label* lbtime = nullptr;
    forms::TextBox* txttime = nullptr;
    forms::TextBox* Text2 = nullptr;
    forms::LevelBar* DogBar1 = nullptr;
    forms::ScrollBar* hscroll1 = nullptr;
    forms::Timer* Timer1 = nullptr;
    forms::Timer* Timer3 = nullptr;
    forms::Timer* Timer4 = nullptr;
    media::MediaPlayer& MediaPlayer1;
    chatscan::ChatScanner Chat1;

    // Playlist.
    void File1_Click();
    void File1_DblClick();
    void lbref_DblClick();
    void lbmp3num_Click();
    // Playback commands.
    void lbplay_Click();
    void lbpause_Click();
    void lbstop_Click();
    void lbfoward_Click();
    void lbback_Click();
    void Label1_Click();
    void MediaPlayer1_EndOfStream();
    // Display.
    void Timer1_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void txttime_Click();
    // Volume.
    void hscroll1_Change();
    // Closing: the main window slides away, says goodbye and ends the program.
    virtual void lbclose_Click() = 0;

    std::string playing_line() const;

    // Continuous play, for those who opt in (the desktop's media controller offers it): off,
    // a track that ends stops. Repeating the track plays it again as "play" does; with
    // shuffle the next comes as "mix" brings one; repeating the playlist goes on as "next"
    // does while playing, from the last entry to the first. Kept in the settings file.
    enum class Repeat { None, Track, Playlist };
    Repeat loop_status() const { return m_repeat; }
    bool shuffle() const { return m_shuffle; }
    void set_loop_status(Repeat r);
    void set_shuffle(bool on);
    // Moves the open track to `seconds`; the time and the progress show it at once and the
    // room hears nothing. False when no track is open.
    bool seek_to(double seconds);

  protected:
    void build_player_controls();
    // Reads the continuous-play choices from the settings file.
    void load_continuous_play();
    Services& m_services;
    ui::Windows& m_windows;

  private:
    // Opens the selected entry. When it will not play, the player is left stopped with no
    // progress and Pause/Stop off, one line on stderr says why, and false is returned.
    bool open_selected();
    bool open_path(const std::string& path);
    // Switching tracks: the player stops and the display and Pause/Stop wait for the next one.
    void halt_for_switch();
    // What "next" does while a track plays: the player stops, entry `next` opens and the room
    // hears its name.
    void forward_announced(int next);
    // The end of a track, for continuous play.
    void play_on_after_end();
    // A track is open: the progress follows it and Pause/Stop take clicks.
    void follow_track();
    void set_enabled(std::initializer_list<forms::Control*> controls, bool on);
    void set_timers(std::initializer_list<forms::Timer*> timers, bool on);

    Repeat m_repeat = Repeat::None;
    bool m_shuffle = false;
    int m_short_ends = 0;  // tracks in a row that ended within a second of their start
};

}  // namespace rv::player
