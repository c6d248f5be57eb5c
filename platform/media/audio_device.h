#pragma once
// Where the player's samples go: the sound device, or whatever a test puts in its place.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace rv::media {

class AudioDevice {
  public:
    // Fills `out` with `count` interleaved 16-bit samples, silence after the ones it has, and
    // returns how many it had; called on the device's own thread each time it needs more.
    // It never locks or allocates, so the device thread never waits on another.
    using Pull = std::function<std::size_t(std::int16_t* out, std::size_t count)>;

    virtual ~AudioDevice() = default;
    // Opens the device for this format, paused (an open device of the same format is kept).
    // False when no device can be had at all.
    virtual bool open(long rate, int channels, Pull pull) = 0;
    // Paused, it is silent at once, and no pull runs until it plays again; what was handed to
    // it and not yet heard is heard on resuming. Opening again discards it.
    virtual void set_paused(bool paused) = 0;
    // Lets the device go: a paused one still wakes to play silence. The next open opens it
    // afresh.
    virtual void close() = 0;
    // Of the samples handed to it, how many are still waiting to be heard; `latest` is how
    // many the latest pull had (a device that asks for more only once the pull before has
    // played needs no more than that). Called on the thread that opens the device.
    virtual std::size_t unplayed(std::size_t latest) const = 0;
    // Whether a paused device still wakes to play silence (so one paused for long is better
    // let go, at the cost of what it held unheard).
    virtual bool wakes_when_paused() const { return true; }
    // The driver playing ("dummy" where there is no sound device), "" before any.
    virtual std::string driver() const = 0;
    // Times it ran dry while playing although every pull had all it asked for (a sound
    // server's own count; 0 where the device cannot tell).
    virtual std::uint64_t underruns() const { return 0; }
    // Whether the device has gone for good (the sound server it played to has quit): it plays
    // nothing more, holds nothing unheard, and each open fails.
    virtual bool lost() const { return false; }
    // Called once, on any thread, when the device is lost.
    virtual void set_on_lost(std::function<void()> on_lost) { (void)on_lost; }
};

}  // namespace rv::media
