#pragma once
// The dot commands the signed-on user types in the chat room: the handler of the main
// window's Chat1.ChatMessage. The player is reached only through the main window's own click
// handlers (so a command works on a disabled label), the other windows and the mailboxes
// through CommandTargets.
#include <optional>
#include <string>

#include "chat/command_targets.h"
#include "player/player_window.h"

namespace rv::chat {

// The volume for a ".vol" argument: a decimal number with blanks around it allowed
// (sign, fraction and exponent too), n x 25 - 2500 with halves to the even neighbour,
// clamped to the player's range. Nothing for anything that is not such a number.
std::optional<long> VolumeFor(const std::string& argument);

class CommandInterpreter {
  public:
    CommandInterpreter(player::PlayerWindow& main, aol::Automation& aol, CommandTargets& targets);

    void Chat1_ChatMessage(const std::string& ScreenName, const std::string& Text);

    bool muted() const { return m_muted; }

  private:
    void set_volume(const std::string& argument);
    void mute();
    void mute_off();
    void mailbox(const std::string& line, const std::string& name);

    player::PlayerWindow& m_main;
    aol::Automation& m_aol;
    CommandTargets& m_targets;
    // ".mute" keeps the volume it silenced; ".muteoff" or a ".vol" ends the mute.
    bool m_muted = false;
    long m_volume_before_mute = 0;
};

}  // namespace rv::chat
