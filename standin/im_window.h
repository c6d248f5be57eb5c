#pragma once
// An instant-message conversation with one other person: a transcript of what both wrote
// and an input box that sends on Enter. An inner window that lacks some of a room's classes.
#include <string>
#include <vector>

#include "standin/room.h"
#include "standin/transcript_lines.h"
#include "standin/window.h"

namespace rv::standin {

class ImWindow : public Window {
  public:
    // The transcript keeps the last lines as a room's does.
    static constexpr std::size_t kMaxLines = Room::kMaxLines;
    static constexpr std::size_t kDropLines = Room::kDropLines;

    // `buddy` is the name shown; `address` the one a network knows them by: empty when the
    // conversation was opened by a name no network is known to have.
    ImWindow(Client& client, const std::string& buddy, HWND area, const std::string& address = {});

    const std::string& buddy() const { return m_buddy; }
    const std::string& address() const { return m_address; }
    HWND input() const { return m_input; }
    HWND transcript() const { return m_transcript; }
    // The lines the transcript still holds, oldest first; lines()[i] is line dropped() + i.
    const std::vector<ChatLine>& lines() const { return m_lines; }
    std::size_t dropped() const { return m_dropped; }
    const std::string& input_text() const { return m_input_text; }
    // The transcript window's text: the lines' "name:\ttext", CR-LF between them.
    std::string text() const { return m_plain.text(); }

    // A line of the conversation, from the user or from the buddy; an empty name is the
    // network's word about the conversation.
    void add_line(const std::string& name, const std::string& html, bool from_user);
    // What is in the input box goes out as the user's line, unless it is blank or a command
    // to the network.
    void send_input();

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    void drop_oldest(std::size_t count);

    std::string m_buddy, m_address;
    HWND m_transcript = 0, m_input = 0, m_send = 0;
    bool m_send_pressed = false;
    std::vector<ChatLine> m_lines;
    TranscriptLines m_plain;  // the transcript window's text, line by line
    std::size_t m_dropped = 0;
    std::string m_input_text;
};

}  // namespace rv::standin
