#include "platform/chatscan/chat_scanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/winapi/inner_windows.h"

namespace rv::chatscan {

using namespace winapi;

namespace {
// EM_GETLINE's buffer states its size in its first 16-bit word: longer lines need another way.
constexpr std::size_t kMaxGetLine = 0xFFFF;
}  // namespace

ChatScanner::ChatScanner(Desktop& desktop, EventLoop& loop) : m_desktop(desktop), m_loop(loop) {}

ChatScanner::~ChatScanner() {
    ScanOff();
}

void ChatScanner::ScanOn() {
    if (m_timer) return;
    m_seen.clear();
    HWND room = find_room();
    HWND transcript = m_desktop.FindWindowExA(room, 0, "richcntlreadonly", nullptr);
    if (transcript) m_seen[transcript] = mark_before(transcript, line_count(transcript));
    m_timer = m_loop.start_timer(kPollIntervalMs, [this] { poll(); });
}

void ChatScanner::ScanOff() {
    if (!m_timer) return;
    m_loop.stop_timer(m_timer);
    m_timer = 0;
    m_pending.clear();
}

HWND ChatScanner::find_room() const {
    // The scanner looks without pumping: its poll is a timer tick and must stay short.
    return FindChatRoomWindow(m_desktop);
}

std::size_t ChatScanner::line_count(HWND transcript) const {
    if (m_desktop.SendMessageA(transcript, WM_GETTEXTLENGTH, 0, 0) <= 0) return 0;
    LRESULT n = m_desktop.SendMessageA(transcript, EM_GETLINECOUNT, 0, 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::optional<std::string> ChatScanner::read_line(HWND transcript, std::size_t i) const {
    LRESULT start = m_desktop.SendMessageA(transcript, EM_LINEINDEX, i, 0);
    if (start < 0) return std::nullopt;
    LRESULT len = m_desktop.SendMessageA(transcript, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (len <= 0) return std::string();
    const auto size = static_cast<std::size_t>(len);
    if (size > kMaxGetLine)
        return read_long_line(transcript, static_cast<std::size_t>(start), size);
    std::vector<char> buf(std::max(size, sizeof(std::uint16_t)));
    auto word = static_cast<std::uint16_t>(size);
    std::memcpy(buf.data(), &word, sizeof word);
    LRESULT got =
        m_desktop.SendMessageA(transcript, EM_GETLINE, i, reinterpret_cast<LPARAM>(buf.data()));
    if (got < 0 || static_cast<std::size_t>(got) != size) return std::nullopt;  // not whole
    return std::string(buf.data(), size);
}

std::optional<std::string> ChatScanner::read_long_line(HWND transcript, std::size_t start,
                                                       std::size_t length) const {
    LRESULT total = m_desktop.SendMessageA(transcript, WM_GETTEXTLENGTH, 0, 0);
    if (total <= 0 || start + length > static_cast<std::size_t>(total)) return std::nullopt;
    std::string all(static_cast<std::size_t>(total) + 1, '\0');
    LRESULT got = m_desktop.SendMessageA(transcript, WM_GETTEXT, all.size(),
                                         reinterpret_cast<LPARAM>(all.data()));
    if (got < 0 || start + length > static_cast<std::size_t>(got)) return std::nullopt;
    return all.substr(start, length);
}

bool ChatScanner::split_line(const std::string& line, std::string& name, std::string& text) {
    // Screen names hold no colon and no tab, so the first ":<tab>" ends the name whatever
    // the text holds.
    std::size_t sep = line.find(":\t");
    if (sep == std::string::npos || sep == 0) return false;
    name = line.substr(0, sep);
    text = line.substr(sep + 2);
    return true;
}

HWND ChatScanner::transcript() {
    if (m_desktop.generation() != m_windows_seen) {
        m_windows_seen = m_desktop.generation();
        m_transcript = m_desktop.FindWindowExA(find_room(), 0, "richcntlreadonly", nullptr);
    }
    return m_transcript;
}

std::string_view ChatScanner::head_of(HWND transcript, std::size_t i, LRESULT& start) const {
    start = m_desktop.SendMessageA(transcript, EM_LINEINDEX, i, 0);
    if (start < 0) return {};
    LRESULT len = m_desktop.SendMessageA(transcript, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    const std::size_t size = len > 0 ? std::min(static_cast<std::size_t>(len), kMaxGetLine) : 0;
    if (size == 0) return {};
    if (m_head.size() < size) m_head.resize(std::max(size, sizeof(std::uint16_t)));
    auto word = static_cast<std::uint16_t>(size);
    std::memcpy(m_head.data(), &word, sizeof word);
    LRESULT got =
        m_desktop.SendMessageA(transcript, EM_GETLINE, i, reinterpret_cast<LPARAM>(m_head.data()));
    return {m_head.data(), got > 0 ? std::min(static_cast<std::size_t>(got), size) : 0};
}

ChatScanner::Mark ChatScanner::mark_before(HWND transcript, std::size_t next) const {
    Mark mark;
    mark.next = next;
    if (next > 0) mark.head = head_of(transcript, next - 1, mark.start);
    return mark;
}

std::size_t ChatScanner::next_after(HWND transcript, const Mark& mark, std::size_t count) const {
    if (mark.next == 0) return 0;
    LRESULT start = -1;
    if (mark.next <= count && head_of(transcript, mark.next - 1, start) == mark.head &&
        start == mark.start)
        return mark.next;
    // Lines went from the front: the marked line moved up, and starts earlier in the text. A
    // window lets lines go only to make room for new ones, so at least one came after it.
    if (count == 0) return 0;
    for (std::size_t next = std::min(mark.next - 1, count - 1); next > 0; --next)
        if (head_of(transcript, next - 1, start) == mark.head && start >= 0 && start < mark.start)
            return next;
    return 0;  // gone: whatever the window holds came after it
}

void ChatScanner::poll() {
    HWND transcript = this->transcript();
    if (!transcript) return;
    const std::size_t count = line_count(transcript);
    auto seen = m_seen.find(transcript);
    if (seen == m_seen.end()) {
        // A room first seen now: what it holds is old.
        m_seen[transcript] = mark_before(transcript, count);
        return;
    }
    const std::size_t from = next_after(transcript, seen->second, count);
    if (from != seen->second.next || from != count) {
        const double now = m_loop.now();
        for (std::size_t i = from; i < count; ++i) {
            std::string name, text;
            std::optional<std::string> line = read_line(transcript, i);
            if (line && split_line(*line, name, text))
                m_pending.push_back({std::move(name), std::move(text), now});
        }
        seen->second = mark_before(transcript, count);
    }
    // Lines held back at the nesting bound are offered again at every poll.
    if (!m_pending.empty()) post_raise();
}

void ChatScanner::post_raise() {
    if (m_raise_posted) return;
    m_raise_posted = true;
    m_loop.post([this, alive = m_alive.watch()] {
        if (!alive.alive()) return;
        m_raise_posted = false;
        raise_pending();
    });
}

void ChatScanner::raise_pending() {
    // At the bound the lines stay queued: the handler that returns below resumes them, or
    // the next poll posts them again.
    while (m_timer && !m_pending.empty() && s_running < kMaxNesting) {
        Line line = std::move(m_pending.front());
        m_pending.pop_front();
        // The next line is raised at the handler's first pump, as its own event would be.
        if (!m_pending.empty()) post_raise();
        auto handler = ChatMessage;  // the handler may replace itself
        if (!handler) continue;
        const AliveToken::Watch alive = m_alive.watch();
        const double outer_arrival = m_arrived_at;
        m_arrived_at = line.found_at;
        ++s_running;
        handler(line.name, line.text);
        --s_running;
        if (!alive.alive()) return;  // the handler ended the scanner
        m_arrived_at = outer_arrival;
    }
}

std::string ChatScanner::UserScreenName() const {
    static const std::string kPrefix = "Welcome, ";
    HWND frame = m_desktop.FindWindowA("aol frame25", nullptr);
    HWND area = m_desktop.FindWindowExA(frame, 0, "mdiclient", nullptr);
    for (HWND c = m_desktop.FindWindowExA(area, 0, "aol child", nullptr); c != 0;
         c = m_desktop.FindWindowExA(area, c, "aol child", nullptr)) {
        LRESULT len = m_desktop.SendMessageA(c, WM_GETTEXTLENGTH, 0, 0);
        if (len <= 0) continue;
        std::string title(static_cast<std::size_t>(len) + 1, '\0');
        LRESULT got = m_desktop.SendMessageA(c, WM_GETTEXT, title.size(),
                                             reinterpret_cast<LPARAM>(title.data()));
        title.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
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
