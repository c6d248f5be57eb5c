#pragma once
// Nicks from screen names, and the next one to try when a nick is taken.
#include <string>
#include <string_view>

namespace rv::standin::net {

// A screen name as a nick: blanks become '_', characters a nick cannot hold are left out, a
// leading digit or '-' gets a '_' before it; "Guest" when nothing is left.
std::string nick_from_screen_name(std::string_view screen_name);

// Attempt 0 is `base` cut to `max_length`; attempt k > 0 adds the suffix k + 1 ("DJ2",
// "DJ3"), cutting the base so that the whole still fits.
std::string nick_attempt(const std::string& base, int attempt, std::size_t max_length);

// Whether a name from the network may stand as a chatter's name: not empty, at most 64
// bytes, no blanks, no control characters, none of ",:*?!@" that would confuse a prefix.
bool plausible_nick(std::string_view nick);

}  // namespace rv::standin::net
