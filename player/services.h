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
    // The one generator: the random track choice reseeds it, the equalizer draws from it.
    aol::Random& random;
    std::string settings_file;
    // Ends the program at once: no window's closing code runs, nothing is saved.
    std::function<void()> end_program;
};

}  // namespace rv::player
