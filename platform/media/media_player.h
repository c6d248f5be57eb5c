#pragma once
// The media player control as the program uses it. Every call runs on the UI thread and
// returns at once; EndOfStream arrives as a posted event on the UI thread.
#include <cmath>
#include <functional>
#include <string>

namespace rv::media {

enum PlayStateValue { kStopped = 0, kPaused = 1, kPlaying = 2 };

class MediaPlayer {
  public:
    virtual ~MediaPlayer() = default;
    // Stops what was open, opens `path` and starts playing it. False when the file cannot be
    // played (missing, not a regular file, empty, not MPEG audio): the player is then stopped
    // with a Duration of 0 and open_error() says why.
    virtual bool Open(const std::string& path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual int PlayState() const = 0;
    // Seconds of the open file that have been heard.
    virtual double CurrentPosition() const = 0;
    virtual double Duration() const = 0;
    // Moves a playing or paused file to `seconds` from its start (held to 0 .. Duration):
    // what was queued for the device is dropped, so what is heard next, and CurrentPosition,
    // start there; a paused file stays paused. False, changing nothing, when stopped.
    virtual bool Seek(double seconds) = 0;
    // Hundredths of a decibel, 0 loudest; clamped to -10000 .. 0.
    virtual void set_Volume(long hundredths_db) = 0;
    virtual long Volume() const = 0;
    // Raised once when the open file has played to its end; never after Stop.
    std::function<void()> EndOfStream;
    // Why the latest Open failed, in a few words; "" after one that succeeded.
    const std::string& open_error() const { return m_open_error; }

  protected:
    std::string m_open_error;
};

// The quietest volume the player takes: silence.
constexpr long kSilentVolume = -10000;
inline long clamp_volume(long v) {
    return v > 0 ? 0 : (v < kSilentVolume ? kSilentVolume : v);
}
inline double volume_gain(long hundredths_db) {
    return hundredths_db <= kSilentVolume ? 0.0 : std::pow(10.0, hundredths_db / 2000.0);
}

}  // namespace rv::media
