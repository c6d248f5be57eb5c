#include "platform/chatscan/chat_scanner.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace rv::chatscan {

using namespace winapi;

ChatScanner::ChatScanner(Desktop& desktop, EventLoop& loop) : m_desktop(desktop), m_loop(loop) {}

ChatScanner::~ChatScanner() {
    ScanOff();
}

void ChatScanner::ScanOn() {
    if (m_timer) return;
    m_seen.clear();
    HWND room = find_room();
    HWND transcript = m_desktop.FindWindowExA(room, 0, "richcntlreadonly", nullptr);
    if (transcript) m_seen[transcript] = line_count(transcript);
    m_timer = m_loop.start_timer(kPollIntervalMs, [this] { poll(); });
}

void ChatScanner::ScanOff() {
    if (!m_timer) return;
    m_loop.stop_timer(m_timer);
    m_timer = 0;
}

HWND ChatScanner::find_room() const {
    static const char* const kRoomClasses[] = {"_aol_static", "richcntlreadonly", "_aol_combobox",
                                               "_aol_icon",   "richcntl",         "_aol_image"};
    HWND frame = m_desktop.FindWindowA("aol frame25", nullptr);
    HWND area = m_desktop.FindWindowExA(frame, 0, "mdiclient", nullptr);
    for (HWND c = m_desktop.FindWindowExA(area, 0, "aol child", nullptr); c != 0;
         c = m_desktop.FindWindowExA(area, c, "aol child", nullptr)) {
        bool all = true;
        for (const char* cls : kRoomClasses)
            all = all && m_desktop.FindWindowExA(c, 0, cls, nullptr) != 0;
        if (all) return c;
    }
    return 0;
}

std::size_t ChatScanner::line_count(HWND transcript) const {
    if (m_desktop.SendMessageA(transcript, WM_GETTEXTLENGTH, 0, 0) <= 0) return 0;
    LRESULT n = m_desktop.SendMessageA(transcript, EM_GETLINECOUNT, 0, 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::string ChatScanner::read_line(HWND transcript, std::size_t i) const {
    LRESULT start = m_desktop.SendMessageA(transcript, EM_LINEINDEX, i, 0);
    if (start < 0) return "";
    LRESULT len = m_desktop.SendMessageA(transcript, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (len <= 0) return "";
    // The first 16-bit word of the buffer tells the control its size.
    std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(len), 0xFFFF);
    std::vector<char> buf(std::max<std::size_t>(size, sizeof(std::uint16_t)));
    auto word = static_cast<std::uint16_t>(size);
    std::memcpy(buf.data(), &word, sizeof word);
    LRESULT got =
        m_desktop.SendMessageA(transcript, EM_GETLINE, i, reinterpret_cast<LPARAM>(buf.data()));
    if (got <= 0) return "";
    return std::string(buf.data(), std::min<std::size_t>(static_cast<std::size_t>(got), size));
}

void ChatScanner::split_line(const std::string& line, std::string& name, std::string& text) {
    // Screen names hold no colon and no tab, so the first ":<tab>" ends the name whatever
    // the text holds.
    std::size_t sep = line.find(":\t");
    if (sep == std::string::npos) {
        name.clear();
        text = line;
        return;
    }
    name = line.substr(0, sep);
    text = line.substr(sep + 2);
}

void ChatScanner::poll() {
    HWND room = find_room();
    HWND transcript = m_desktop.FindWindowExA(room, 0, "richcntlreadonly", nullptr);
    if (!transcript) return;
    std::size_t count = line_count(transcript);
    auto seen = m_seen.find(transcript);
    if (seen == m_seen.end()) {
        m_seen[transcript] = count;  // a room first seen now: what it holds is old
        return;
    }
    if (count < seen->second) seen->second = count;  // the transcript was cleared
    while (m_timer && m_desktop.IsWindow(transcript)) {
        std::size_t& done = m_seen[transcript];
        if (done >= count) break;
        std::size_t i = done++;  // counted before the event: a handler may pump
        std::string name, text;
        split_line(read_line(transcript, i), name, text);
        // A line without an author is the network talking (joins, quits): not chat.
        if (ChatMessage && !name.empty()) ChatMessage(name, text);
    }
}

std::string ChatScanner::UserScreenName() const {
    HWND frame = m_desktop.FindWindowA("aol frame25", nullptr);
    HWND area = m_desktop.FindWindowExA(frame, 0, "mdiclient", nullptr);
    static const std::string kPrefix = "Welcome, ";
    for (HWND c = m_desktop.FindWindowExA(area, 0, "aol child", nullptr); c != 0;
         c = m_desktop.FindWindowExA(area, c, "aol child", nullptr)) {
        char buf[256] = {};
        m_desktop.SendMessageA(c, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
        std::string title = buf;
        if (title.size() > kPrefix.size() + 1 && title.compare(0, kPrefix.size(), kPrefix) == 0 &&
            title.back() == '!')
            return title.substr(kPrefix.size(), title.size() - kPrefix.size() - 1);
    }
    return "";
}

void ChatScanner::SendChatText(const std::string& line) {
    HWND input = m_desktop.FindWindowExA(find_room(), 0, "richcntl", nullptr);
    if (!input) return;
    m_desktop.SendMessageA(input, WM_SETTEXT, 0, text_param(line.c_str()));
    m_desktop.SendMessageA(input, WM_CHAR, 13, 0);
}

}  // namespace rv::chatscan
