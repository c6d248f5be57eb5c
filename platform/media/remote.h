#pragma once
// What a desktop media controller (media keys, the desktop's media applet) may ask of the
// player. The program answers it through the main window's own click handlers, so a remote
// press does exactly what a click on the label does and the room hears the same lines.
#include <cmath>
#include <string>

namespace rv::media {

struct RemoteTrack {
    std::string path;    // empty: no track
    std::string title;   // the tag's title, else the file name
    std::string artist;  // the tags' words; empty where they say nothing
    std::string album;
    int track_number = 0;  // 0: none
    std::string art_path;  // the tag's picture as a file of its own; empty: none
    int index = -1;        // the track's place in the playlist
    double length_s = 0;
};

// Continuous play as a controller names it.
enum class LoopStatus { None, Track, Playlist };

class RemoteTarget {
  public:
    virtual ~RemoteTarget() = default;
    virtual int play_state() const = 0;  // a PlayStateValue
    virtual RemoteTrack track() const = 0;
    virtual double position_s() const = 0;
    // 0 silent .. 1 loudest, on the same scale as the ".vol" chat command's 0 .. 100.
    virtual double volume() const = 0;
    virtual bool has_tracks() const = 0;
    // Whether play() would start or resume something, pause() or play_pause() pause
    // something, seek_to() move something.
    virtual bool can_play() const = 0;
    virtual bool can_pause() const = 0;
    virtual bool can_seek() const = 0;
    virtual LoopStatus loop_status() const = 0;
    virtual bool shuffle() const = 0;

    virtual void play_pause() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    virtual void set_volume(double volume) = 0;
    // Moves the open track to `seconds`; false when none is open.
    virtual bool seek_to(double seconds) = 0;
    virtual void set_loop_status(LoopStatus status) = 0;
    virtual void set_shuffle(bool on) = 0;
    virtual void raise() = 0;
    virtual void quit() = 0;
};

// The ".vol" scale: 0 .. 1 maps onto -2500 .. 0 hundredths of a decibel, linearly; anything
// quieter than -2500 reads as 0.
inline long remote_to_hundredths(double volume) {
    if (!(volume > 0)) return -10000;  // NaN and <= 0: silence
    if (volume >= 1) return 0;
    return std::lround(volume * 2500.0) - 2500;
}
inline double hundredths_to_remote(long hundredths) {
    if (hundredths >= 0) return 1.0;
    if (hundredths <= -2500) return 0.0;
    return (static_cast<double>(hundredths) + 2500.0) / 2500.0;
}

}  // namespace rv::media
