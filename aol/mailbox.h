#pragma once
// Opening the user's mailboxes the way a person would: a toolbar button, the drop-down menu
// walked with the arrow keys and Enter, then waiting for the mailbox and for its list to stop
// growing. Every wait has a limit; at a limit the routine gives up silently in the room and
// says why in one line on stderr.
#include <string>

#include "aol/automation.h"

namespace rv::aol {

// How long each step may wait for the client.
struct MailboxLimits {
    double menu_seconds = 2;     // the drop-down menu to show (no events run meanwhile)
    double window_seconds = 10;  // the mailbox window to appear
    double settle_seconds = 30;  // the list to stop growing, in all
};

// "new", "old", "sent" or "del", any case. Returns once the mailbox is open and its list has
// settled, or a limit has passed.
void OpenMailbox(Automation& aol, const std::string& name, const MailboxLimits& limits = {});

// The toolbar button at `position` (0: the first in z-order), or 0.
HWND FindToolbarIcon(Automation& aol, int position);
// A mouse press followed by the space bar's release: how the client's buttons take a click.
void ClickIcon(Automation& aol, HWND icon);
// Opens the drop-down menu of the button at `position` and presses Down `downs` times, then
// Enter; PickSubmenuItem then presses Down `sub_downs` times and Enter in the submenu. False
// when the menu did not show within `menu_seconds`.
bool PickMenuItem(Automation& aol, int position, int downs, double menu_seconds = 2);
bool PickSubmenuItem(Automation& aol, int position, int downs, int sub_downs,
                     double menu_seconds = 2);
// The highest mailbox (tabbed) or deleted-mail window, or 0. Pump once per candidate.
HWND FindMailboxWindow(Automation& aol);
HWND FindDeletedMailWindow(Automation& aol);
// The mail list of that mailbox, or 0.
HWND FindMailList(Automation& aol, const std::string& name);
// Waits, 0.8 s a pass, until two counts of the list agree. False when `limit_seconds` passed
// first.
bool WaitForListToSettle(Automation& aol, HWND list, double limit_seconds = 30);

}  // namespace rv::aol
