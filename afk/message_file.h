#pragma once
// The messages people leave while the user is away: recognising a ".msg" line, the entry it
// becomes, and the message file the entries are kept in.
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/lists.h"

namespace rv::afk {

// A message longer than this many bytes is cut to it, ending in "…".
constexpr std::size_t kMaxMessageBytes = 4096;

// The entry a chat line leaves: ScreenName + ":" + the text from its sixth character, when
// the first four characters are exactly ".msg" (case and all); nothing otherwise. The fifth
// character is dropped whatever it is; characters are UTF-8 code points. CR and LF become
// blanks, so an entry is always one line of the file.
std::optional<std::string> message_entry(const std::string& ScreenName, const std::string& Text);

// `text` with every CR and LF replaced by a blank.
std::string one_line(std::string text);

// The file's bytes for these entries: each entry (made one line) followed by CR LF.
std::string message_file_bytes(const std::vector<std::string>& entries);

// The message file as one load of the away window sees it. What the file holds when the
// window loads are the user's unread messages: they stay, and the messages of this load join
// them. Each message is added to the end of the file the moment it is taken; the whole file is
// written in list order (sorted without regard to case) when the bot stops or the window
// closes, and at the next load when a crash left it with messages out of order.
class MessageFile {
  public:
    explicit MessageFile(std::string path) : m_path(std::move(path)) {}

    // Takes what the file holds now as the earlier messages, sorting it again if need be. A
    // file that cannot be read (or is too large to hold) is only ever added to from here on:
    // writing it whole would lose what it holds. Says so in one line on stderr.
    void load();
    // Adds one entry to the end of the file; true once it is on disk.
    bool append(const std::string& entry);
    // Replaces the file with the earlier messages and `entries`, in list order. A failure says
    // so in one line on stderr and gives false; the room hears nothing of it.
    bool save(const std::vector<std::string>& entries);

    const std::string& path() const { return m_path; }
    const std::vector<std::string>& earlier() const { return m_earlier; }

    // Larger files are not read back; they are only added to.
    static constexpr long long kMaxReadBytes = 64LL << 20;

  private:
    std::string m_path;
    std::vector<std::string> m_earlier;
    bool m_whole_known = true;  // false: the file is only added to, never replaced
};

// Saves the list (with the earlier messages) to the message file; false when it was not.
bool SaveList(MessageFile& file, const forms::ListBox& list);

}  // namespace rv::afk
