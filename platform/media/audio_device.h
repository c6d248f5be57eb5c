#pragma once
// Where the player's samples go: the sound device, or whatever a test puts in its place.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace rv::media {

class AudioDevice {
  public:
    // Fills `out` with `count` interleaved 16-bit samples; called on the device's own thread
    // each time it needs more, so a call means the samples of the call before have played.
    using Pull = std::function<void(std::int16_t* out, std::size_t count)>;

    virtual ~AudioDevice() = default;
    // Opens the device for this format, paused (an open device of the same format is kept).
    // False when no device can be had at all.
    virtual bool open(long rate, int channels, Pull pull) = 0;
    virtual void set_paused(bool paused) = 0;
    // Lets the device go: a paused one still wakes to play silence. The next open opens it
    // afresh.
    virtual void close() = 0;
    // Of the `latest` samples handed in the latest pull, how many are still waiting to be
    // heard. Called on the thread that opens the device.
    virtual std::size_t unplayed(std::size_t latest) const = 0;
    // The driver playing ("dummy" where there is no sound device), "" before any.
    virtual std::string driver() const = 0;
};

}  // namespace rv::media
