#pragma once
// The sound output the player uses unless told otherwise.
#include <memory>

#include "platform/media/audio_device.h"

namespace rv::media {

// Chooses at the first open: the desktop's sound server where one answers, else SDL (which
// falls back to a silent, clock-driven output where there is no sound device at all). A driver
// named in SDL_AUDIODRIVER is taken as asked.
std::unique_ptr<AudioDevice> make_output_device();

}  // namespace rv::media
