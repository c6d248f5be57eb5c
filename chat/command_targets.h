#pragma once
// What the chat commands reach beyond the main window's own click handlers: the other
// windows and the mailboxes. The program implements it; tests record it.
#include <string>

namespace rv::chat {

class CommandTargets {
  public:
    virtual ~CommandTargets() = default;
    // Shows the away-from-keyboard window, loading it (and running its start-up) first if
    // it is not loaded.
    virtual void show_afk() = 0;
    // Shows the equalizer, loading it first if it is not loaded.
    virtual void show_equalizer() = 0;
    // Opens the mailbox "new", "old", "sent" or "del"; returns once it has loaded or the
    // attempt is given up.
    virtual void open_mailbox(const std::string& name) = 0;
};

}  // namespace rv::chat
