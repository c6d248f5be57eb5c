#pragma once
// Instant messages through the client, as a person sends them: the address box opens a
// "Send Instant Message" window, the text goes in, the send button is clicked, and the
// client's message box, if it answers with one, is confirmed. Each wait has a limit; at a
// limit the routine gives up silently in the room, with one line on stderr.
#include <string>

#include "aol/automation.h"

namespace rv::aol {

struct InstantMessageLimits {
    double window_seconds = 10;  // the "Send Instant Message" window to open
    double answer_seconds = 10;  // the message box, or the window's closing
};

// Types a keyword or link into the toolbar's address box, then a blank and Enter.
void EnterKeyword(Automation& aol, const std::string& keyword);
// A mouse press and release on the window.
void ClickButton(Automation& aol, HWND window);
void SendInstantMessage(Automation& aol, const std::string& recipient, const std::string& text,
                        const InstantMessageLimits& limits = {});

}  // namespace rv::aol
