#pragma once
// The chat-scanner control: reports each new line of the client's chat room once and in
// order, and can send a line. It works only through window messages on the room's windows,
// reading just what is new (line count, then per-line reads), so a poll costs the same on a
// short or a very long transcript.
#include <functional>
#include <map>
#include <string>

#include "platform/loop/event_loop.h"
#include "platform/winapi/desktop.h"

namespace rv::chatscan {

using winapi::HWND;

class ChatScanner {
  public:
    static constexpr int kPollIntervalMs = 50;

    ChatScanner(winapi::Desktop& desktop, EventLoop& loop);
    ~ChatScanner();
    ChatScanner(const ChatScanner&) = delete;
    ChatScanner& operator=(const ChatScanner&) = delete;

    // Lines already in the room when it is first seen are not new.
    void ScanOn();
    void ScanOff();
    bool scanning() const { return m_timer != 0; }
    // The signed-on user, spelled as ChatMessage spells authors.
    std::string UserScreenName() const;
    // Types the line into the room's input and presses Enter there.
    void SendChatText(const std::string& line);

    std::function<void(const std::string& ScreenName, const std::string& Text)> ChatMessage;

    // One look at the room; the timer calls it every kPollIntervalMs.
    void poll();

    // Splits a transcript line "name:<tab>text"; a line without the separator is a system
    // line with an empty name, which poll() does not report.
    static void split_line(const std::string& line, std::string& name, std::string& text);

  private:
    HWND find_room() const;
    std::size_t line_count(HWND transcript) const;
    std::string read_line(HWND transcript, std::size_t i) const;

    winapi::Desktop& m_desktop;
    EventLoop& m_loop;
    TimerId m_timer = 0;
    std::map<HWND, std::size_t> m_seen;  // per room transcript: lines already reported
};

}  // namespace rv::chatscan
