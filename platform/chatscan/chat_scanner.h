#pragma once
// The chat-scanner control: reports each new line of the client's chat room once and in
// order, and can send a line. It works only through window messages on the room's windows,
// reading just what is new (line count, then per-line reads), so a poll costs the same on a
// short or a very long transcript.
//
// A chat window lets its oldest lines go, so a line's number changes under the scanner. It
// remembers the last line it reported (where it starts and what it reads) and finds it again
// after lines went from the front: the lines after it are the new ones. Once that line is
// gone too, everything the window holds came after it. When lines read exactly alike, several
// new ones between two polls can make the place ambiguous; the scanner then takes the nearest,
// and would miss a line rather than report one twice.
//
// The poll only finds new lines; they are raised in order from posted events. So a handler
// that waits (pumping) sees the lines said meanwhile raised inside its wait, each handled to
// its end before the outer handler goes on, and the poll keeps running throughout. Nesting
// is bounded: once kMaxNesting handlers (of any scanner) are running, a line waits its turn
// until one of them returns, so a flood of lines never grows the stack without end.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/loop/event_loop.h"
#include "platform/loop/subscription.h"
#include "platform/winapi/desktop.h"

namespace rv::chatscan {

using winapi::HWND;

class ChatScanner {
  public:
    static constexpr int kPollIntervalMs = 50;
    static constexpr int kMaxNesting = 4;

    ChatScanner(winapi::Desktop& desktop, EventLoop& loop);
    ~ChatScanner();
    ChatScanner(const ChatScanner&) = delete;
    ChatScanner& operator=(const ChatScanner&) = delete;

    // Lines already in the room when it is first seen are not new.
    void ScanOn();
    // Lines found but not yet raised are dropped too.
    void ScanOff();
    bool scanning() const { return m_timer != 0; }
    // The signed-on user, spelled as ChatMessage spells authors, read whole; "" when the
    // client shows no signed-on user.
    std::string UserScreenName() const;
    // Types the line into the room's input and presses Enter there.
    void SendChatText(const std::string& line);

    // Raised for lines with a readable author only: a line that cannot be read whole, or
    // that names no author, is never reported as anyone's.
    std::function<void(const std::string& ScreenName, const std::string& Text)> ChatMessage;

    // One look at the room; the timer calls it every kPollIntervalMs. New lines are raised at
    // the loop's next pump.
    void poll();

    // When the poll found the line being raised (loop seconds); a handler that must answer a
    // set time after a line was said reads it before it waits.
    double arrived_at() const { return m_arrived_at; }
    // Lines found and not yet raised.
    std::size_t pending() const { return m_pending.size(); }

    // Splits a transcript line "name:<tab>text"; false for a line without an author (no
    // separator, or nothing before it).
    static bool split_line(const std::string& line, std::string& name, std::string& text);

  private:
    // The last line reported from a transcript, as it stood then.
    struct Mark {
        std::size_t next = 0;        // the window's line after it: the first not yet reported
        winapi::LRESULT start = -1;  // where it started in the window's text
        std::string head;            // what it read, up to what one EM_GETLINE gives
    };

    HWND find_room() const;
    // The room's transcript, looked up again only once the client's windows changed.
    HWND transcript();
    std::size_t line_count(HWND transcript) const;
    std::optional<std::string> read_line(HWND transcript, std::size_t i) const;
    std::optional<std::string> read_long_line(HWND transcript, std::size_t start,
                                              std::size_t length) const;
    // The first bytes of line i, as far as one EM_GETLINE reads, and where it starts (-1 for
    // no such line). Read into a buffer kept between polls: a poll that finds nothing new
    // allocates nothing.
    std::string_view head_of(HWND transcript, std::size_t i, winapi::LRESULT& start) const;
    // The mark of the window's lines before `next`, read from line next - 1.
    Mark mark_before(HWND transcript, std::size_t next) const;
    // Where the marked line's successor is now: the mark's own place when nothing moved,
    // a place further up when lines went from the front, 0 when the line is gone.
    std::size_t next_after(HWND transcript, const Mark& mark, std::size_t count) const;
    struct Line {
        std::string name, text;
        double found_at;
    };
    // Raises pending lines in order while the nesting allows.
    void raise_pending();
    void post_raise();

    winapi::Desktop& m_desktop;
    EventLoop& m_loop;
    TimerId m_timer = 0;
    std::deque<Line> m_pending;
    bool m_raise_posted = false;
    double m_arrived_at = 0;
    static inline int s_running = 0;   // handlers of all scanners on the stack
    AliveToken m_alive;                // posted events check it
    std::map<HWND, Mark> m_seen;       // per room transcript: the last line reported
    mutable std::vector<char> m_head;  // what head_of read last
    HWND m_transcript = 0;
    std::uint64_t m_windows_seen = ~std::uint64_t{0};  // the desktop's generation it was found in
};

}  // namespace rv::chatscan
