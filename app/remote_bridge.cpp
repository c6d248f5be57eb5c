#include "app/remote_bridge.h"

#include "platform/forms/environment.h"

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
    t.index = list.list_index();
    t.title = list.file_name();
    t.path = list.file_path();
    t.length_s = m_form1.MediaPlayer1.Duration();
    return t;
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
