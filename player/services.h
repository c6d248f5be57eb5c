#pragma once
#include <functional>
#include <string>

#include "aol/automation.h"
#include "aol/random.h"
#include "platform/media/media_player.h"

namespace rv::player {

// What the windows reach outside themselves, wired once by the program (or by a test).
struct Services {
    aol::Automation& aol;
    media::MediaPlayer& media;
    aol::Random& random;  // the one generator all windows share
    std::string settings_file;
    // Ends the program at once: no window's closing code runs, nothing is saved.
    std::function<void()> end_program;
};

}  // namespace rv::player
