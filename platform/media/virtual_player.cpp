#include "platform/media/virtual_player.h"

#include <algorithm>
#include <cmath>

#include "platform/media/mp3_probe.h"

namespace rv::media {

VirtualPlayer::VirtualPlayer(EventLoop& loop, std::function<double(const std::string&)> probe)
    : m_loop(loop), m_probe(std::move(probe)) {
    if (!m_probe)
        m_probe = [this](const std::string& p) {
            Mp3Info info = probe_mp3(p);
            m_probe_error = info.error;
            return info.duration;
        };
}

VirtualPlayer::~VirtualPlayer() {
    disarm_end();
}

bool VirtualPlayer::Open(const std::string& path) {
    Stop();
    m_path = path;
    m_probe_error.clear();
    m_duration = m_probe(path);
    m_base_position = 0;
    if (m_duration <= 0) {
        m_duration = 0;
        m_open_error = m_probe_error.empty() ? "cannot be decoded" : m_probe_error;
        return false;  // stays stopped
    }
    m_open_error.clear();
    m_state = kPlaying;
    m_started_at = m_loop.now();
    arm_end();
    return true;
}

void VirtualPlayer::Play() {
    if (m_duration <= 0 || m_state == kPlaying) return;
    if (m_state == kStopped) m_base_position = 0;
    m_state = kPlaying;
    m_started_at = m_loop.now();
    arm_end();
}

void VirtualPlayer::Pause() {
    if (m_state != kPlaying) return;
    m_base_position = CurrentPosition();
    m_state = kPaused;
    disarm_end();
}

void VirtualPlayer::Stop() {
    disarm_end();
    m_state = kStopped;
    m_base_position = 0;
}

bool VirtualPlayer::Seek(double seconds) {
    if (m_state == kStopped) return false;
    m_base_position = std::clamp(std::isnan(seconds) ? 0.0 : seconds, 0.0, m_duration);
    if (m_state == kPlaying) {
        m_started_at = m_loop.now();
        arm_end();
    }
    return true;
}

double VirtualPlayer::CurrentPosition() const {
    if (m_state != kPlaying) return m_base_position;
    return std::min(m_duration, m_base_position + (m_loop.now() - m_started_at));
}

void VirtualPlayer::arm_end() {
    disarm_end();
    double left = m_duration - m_base_position;
    int ms = std::max(1, static_cast<int>(std::ceil(left * 1000.0)));
    m_end_timer = m_loop.start_timer(ms, [this] {
        disarm_end();
        m_base_position = 0;  // a file that played out stands at its start, stopped
        m_state = kStopped;
        if (EndOfStream) EndOfStream();
    });
}

void VirtualPlayer::disarm_end() {
    if (m_end_timer) m_loop.stop_timer(m_end_timer);
    m_end_timer = 0;
}

}  // namespace rv::media
