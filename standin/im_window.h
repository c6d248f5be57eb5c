#pragma once
// An instant-message conversation with one other person: a transcript of what both wrote
// and an input box that sends on Enter. An inner window that lacks some of a room's classes.
#include <string>
#include <vector>

#include "standin/room.h"
#include "standin/window.h"

namespace rv::standin {

class ImWindow : public Window {
  public:
    ImWindow(Client& client, const std::string& buddy, HWND area);

    const std::string& buddy() const { return m_buddy; }
    HWND input() const { return m_input; }
    HWND transcript() const { return m_transcript; }
    const std::vector<ChatLine>& lines() const { return m_lines; }
    const std::string& input_text() const { return m_input_text; }

    // A line of the conversation, from the user or from the buddy.
    void add_line(const std::string& name, const std::string& html, bool from_user);
    // What is in the input box goes out as the user's line, unless it is blank.
    void send_input();

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    std::string m_buddy;
    HWND m_transcript = 0, m_input = 0, m_send = 0;
    bool m_send_pressed = false;
    std::vector<ChatLine> m_lines;
    std::string m_text;  // the transcript's text, "name:\ttext" lines
    std::string m_input_text;
};

}  // namespace rv::standin
