#pragma once
// What the link keeps about one channel (private to the link's two source files).
#include <map>
#include <string>
#include <vector>

#include "standin/net/irc_link.h"

namespace rv::standin::net {

struct IrcLink::Channel {
    std::string name;    // as the room names it
    std::string folded;  // for comparisons
    bool joined = false;
    bool join_pending = false;
    double join_sent = 0;      // when the JOIN went out
    std::string key;           // the channel's key, when it has one
    std::string forwarded_to;  // the channel the server sent this one's room on to
    std::map<std::string, std::string> members;  // folded nick -> nick
    std::vector<std::string> names;              // a NAMES reply being collected
    bool names_open = false;
    // Join, part and quit lines are rate-limited per channel, so a flood of them cannot
    // fill the transcript.
    double window_start = -1e9;
    int window_count = 0;
    int suppressed = 0;
};

}  // namespace rv::standin::net
