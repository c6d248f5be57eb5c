#pragma once
// The chat's HTML as the client shows it: plain text for the transcript window, and a safe
// subset (FONT colour/face/size, B, I, U, BR) for display. Nothing is ever fetched.
#include <string>

namespace rv::standin {

// Markup removed, entities decoded, line breaks (and BR) turned into blanks: one line.
std::string html_to_plain(const std::string& html);
// Only the safe subset survives, every text escaped, every opened tag closed at the end.
std::string safe_html(const std::string& html);

}  // namespace rv::standin
