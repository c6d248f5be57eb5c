#include "afk/message_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files/file_io.h"
#include "platform/text/utf8.h"

namespace rv::afk {

namespace {

// At most kMaxMessageBytes, cut before a character that would not fit whole.
std::string cut_long(std::string message) {
    if (message.size() <= kMaxMessageBytes) return message;
    static const std::string kEllipsis = "\u2026";
    std::size_t keep = kMaxMessageBytes - kEllipsis.size();
    while (keep > 0 && text::is_continuation(message[keep])) --keep;
    message.resize(keep);
    return message + kEllipsis;
}

// The lines of the file, CR LF or LF ended; blank lines are no entries.
std::vector<std::string> entries_of(const std::string& bytes) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        if (stop > start) entries.push_back(bytes.substr(start, stop - start));
        start = end + 1;
    }
    return entries;
}

void sort_entries(std::vector<std::string>& entries) {
    // Stable: of two entries that sort alike, the earlier one stays first.
    std::stable_sort(entries.begin(), entries.end(), forms::less_without_case);
}

}  // namespace

std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::optional<std::string> message_entry(const std::string& ScreenName, const std::string& Text) {
    if (Text.compare(0, 4, ".msg") != 0 || Text.size() < 4) return std::nullopt;
    std::size_t from = 4;
    if (from < Text.size()) {
        // The fifth character, however many bytes it takes; a broken sequence ends early.
        const std::size_t end = from + text::utf8_length(static_cast<unsigned char>(Text[from]));
        ++from;
        while (from < end && from < Text.size() && text::is_continuation(Text[from])) ++from;
    }
    const std::string message = from < Text.size() ? Text.substr(from) : "";
    return one_line(ScreenName + ":" + cut_long(message));
}

std::string message_file_bytes(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const auto& e : entries) bytes += one_line(e) + "\r\n";
    return bytes;
}

void MessageFile::load() {
    m_earlier.clear();
    m_whole_known = true;
    struct stat st {};
    if (::stat(m_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kMaxReadBytes) {
        m_whole_known = false;
        std::fprintf(stderr,
                     "ravelin: %s is too large to sort (%lld bytes); new messages are added at "
                     "its end\n",
                     m_path.c_str(), static_cast<long long>(st.st_size));
        return;
    }
    std::string bytes;
    switch (files::read_whole_file(m_path, bytes)) {
        case files::FileRead::Missing:
            return;
        case files::FileRead::Failed:
            m_whole_known = false;
            std::fprintf(stderr, "ravelin: %s cannot be read (%s); it is left as it is\n",
                         m_path.c_str(), std::strerror(errno));
            return;
        case files::FileRead::Read:
            break;
    }
    m_earlier = entries_of(bytes);
    sort_entries(m_earlier);
    // Messages a crash left at the end, out of order: the file is put in order now.
    if (message_file_bytes(m_earlier) != bytes) save({});
}

bool MessageFile::append(const std::string& entry) {
    if (files::append_file(m_path, one_line(entry) + "\r\n", files::kPrivateMode)) return true;
    std::fprintf(stderr, "ravelin: a message was not saved to %s (%s)\n", m_path.c_str(),
                 std::strerror(errno));
    return false;
}

bool MessageFile::save(const std::vector<std::string>& entries) {
    if (!m_whole_known) {
        std::fprintf(stderr,
                     "ravelin: the messages were not saved to %s as a whole (it could not be read "
                     "when the window opened)\n",
                     m_path.c_str());
        return false;
    }
    std::vector<std::string> all = m_earlier;
    all.insert(all.end(), entries.begin(), entries.end());
    sort_entries(all);
    // Strangers' words: a file made anew is for the user's eyes only.
    if (files::replace_file(m_path, message_file_bytes(all), files::kPrivateMode)) return true;
    std::fprintf(stderr, "ravelin: the messages were not saved to %s (%s); the file is as it was\n",
                 m_path.c_str(), std::strerror(errno));
    return false;
}

bool SaveList(MessageFile& file, const forms::ListBox& list) {
    return file.save(list.items());
}

}  // namespace rv::afk
