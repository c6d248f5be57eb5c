#pragma once
// The stand-in client on virtual time with the automation that drives it: what the chat
// tests share.
#include "aol/automation.h"
#include "platform/loop/virtual_loop.h"
#include "standin/client.h"

namespace rv::test {

struct ChatWorld {
    VirtualLoop loop;
    winapi::Desktop desktop;
    standin::Client client{desktop, loop, "Me"};
    // The tests read what each window received.
    bool logging = (desktop.set_logging(true), true);
    aol::Automation aol{desktop, loop};
};

}  // namespace rv::test
