#include "app/remote_bridge.h"

#include "app/cover_art.h"
#include "platform/forms/environment.h"
#include "platform/media/mp3_tags.h"

namespace rv::app {

using media::kPaused;
using media::kPlaying;
using media::kStopped;

int RemoteBridge::play_state() const {
    return m_form1.MediaPlayer1.PlayState();
}

media::RemoteTrack RemoteBridge::track() const {
    media::RemoteTrack t;
    if (!m_form1.loaded() || play_state() == kStopped) return t;
    const auto& list = *m_form1.File1;
    if (list.list_index() < 0) return t;
    t = describe(list.file_path(), list.file_name());
    t.index = list.list_index();
    t.path = list.file_path();
    t.length_s = m_form1.MediaPlayer1.Duration();
    return t;
}

// The room hears file names; a controller shows the tags' words, and the file name as the
// title only where no tag names one.
const media::RemoteTrack& RemoteBridge::describe(const std::string& path,
                                                 const std::string& name) const {
    if (m_described.path == path && !path.empty()) return m_described.words;
    const media::Mp3Tags tags = media::read_mp3_tags(path);
    media::RemoteTrack& w = m_described.words;
    m_described.path = path;
    w.title = tags.title.empty() ? name : tags.title;
    w.artist = tags.artist;
    w.album = tags.album;
    w.track_number = tags.track_number;
    w.art_path = cover_art_file(m_art_folder, tags.picture, tags.picture_type);
    return w;
}

double RemoteBridge::position_s() const {
    return play_state() == kStopped ? 0.0 : m_form1.MediaPlayer1.CurrentPosition();
}

double RemoteBridge::volume() const {
    return media::hundredths_to_remote(m_form1.MediaPlayer1.Volume());
}

bool RemoteBridge::has_tracks() const {
    return m_form1.loaded() && m_form1.File1->list_count() > 0;
}

// As the labels would: play starts the selected entry or resumes a paused one; with nothing
// selected and nothing playing it does nothing.
bool RemoteBridge::can_play() const {
    if (!m_form1.loaded()) return false;
    const int state = play_state();
    return state != kStopped || m_form1.File1->list_index() >= 0;
}

bool RemoteBridge::can_pause() const {
    return m_form1.loaded() && play_state() != kStopped;
}

bool RemoteBridge::can_seek() const {
    return can_pause();
}

media::LoopStatus RemoteBridge::loop_status() const {
    switch (m_form1.loop_status()) {
        case Form1::Repeat::Track:
            return media::LoopStatus::Track;
        case Form1::Repeat::Playlist:
            return media::LoopStatus::Playlist;
        default:
            return media::LoopStatus::None;
    }
}

bool RemoteBridge::shuffle() const {
    return m_form1.shuffle();
}

bool RemoteBridge::seek_to(double seconds) {
    return m_form1.loaded() && m_form1.seek_to(seconds);
}

void RemoteBridge::set_loop_status(media::LoopStatus status) {
    m_form1.set_loop_status(status == media::LoopStatus::Track      ? Form1::Repeat::Track
                            : status == media::LoopStatus::Playlist ? Form1::Repeat::Playlist
                                                                    : Form1::Repeat::None);
}

void RemoteBridge::set_shuffle(bool on) {
    m_form1.set_shuffle(on);
}

// Play resumes a paused track through the pause label, as a person would; a stopped player
// starts through the play label; a playing one is left alone rather than restarted.
void RemoteBridge::play() {
    if (!m_form1.loaded()) return;
    const int state = play_state();
    if (state == kPaused)
        m_form1.lbpause_Click();
    else if (state == kStopped)
        m_form1.lbplay_Click();
}

void RemoteBridge::pause() {
    if (m_form1.loaded() && play_state() == kPlaying) m_form1.lbpause_Click();
}

void RemoteBridge::play_pause() {
    if (!m_form1.loaded()) return;
    if (play_state() == kStopped)
        m_form1.lbplay_Click();
    else
        m_form1.lbpause_Click();
}

void RemoteBridge::stop() {
    if (m_form1.loaded()) m_form1.lbstop_Click();
}

void RemoteBridge::next() {
    if (m_form1.loaded()) m_form1.lbfoward_Click();
}

void RemoteBridge::previous() {
    if (m_form1.loaded()) m_form1.lbback_Click();
}

// The same road as the ".vol" command: only the player changes; the volume bar keeps its
// position.
void RemoteBridge::set_volume(double volume) {
    m_form1.MediaPlayer1.set_Volume(media::remote_to_hundredths(volume));
}

void RemoteBridge::raise() {
    if (m_raise) m_raise();
}

// Posted: the controller's call is answered before the program ends.
void RemoteBridge::quit() {
    m_form1.env().loop().post([this] {
        if (m_form1.loaded()) m_form1.lbclose_Click();
    });
}

}  // namespace rv::app
