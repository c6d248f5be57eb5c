#pragma once
// The messages people leave while the user is away: recognising a ".msg" line, the entry it
// becomes, and the message file the list is written to.
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/lists.h"

namespace rv::afk {

// The entry a chat line leaves: ScreenName + ":" + the text from its sixth character, when
// the first four characters are exactly ".msg" (case and all); nothing otherwise. The fifth
// character is dropped whatever it is; characters are UTF-8 code points. CR and LF become
// blanks, so an entry is always one line of the file.
std::optional<std::string> message_entry(const std::string& ScreenName, const std::string& Text);

// `text` with every CR and LF replaced by a blank.
std::string one_line(std::string text);

// The file's bytes for these entries: each entry (made one line) followed by CR LF.
std::string message_file_bytes(const std::vector<std::string>& entries);

// Replaces the file at `path` whole with the list's entries in list order. The bytes go to a
// new file in the same folder, which is then renamed over `path`, so a save that fails at any
// step leaves the previous file as it was. A failure says so in one line on stderr and gives
// false; the room hears nothing of it.
bool SaveList(const std::string& path, const forms::ListBox& list);
bool save_entries(const std::string& path, const std::vector<std::string>& entries);

}  // namespace rv::afk
