#pragma once
// The sound output the player uses unless told otherwise.
#include <functional>
#include <memory>

#include "platform/media/audio_device.h"

namespace rv::media {

// Chooses at the first open: the desktop's sound server where one answers, else SDL (which
// falls back to a silent, clock-driven output where there is no sound device at all). A driver
// named in SDL_AUDIODRIVER is taken as asked. Should the sound server go away, the next open
// asks again, and SDL plays where none answers.
std::unique_ptr<AudioDevice> make_output_device();

// The same choice between any two: `preferred` (null where it cannot be had) at the first open
// and at every open after the device playing was lost, else `fallback`.
using DeviceMaker = std::function<std::unique_ptr<AudioDevice>()>;
std::unique_ptr<AudioDevice> make_output_device(DeviceMaker preferred, DeviceMaker fallback);

}  // namespace rv::media
