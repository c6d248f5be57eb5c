#pragma once
// A chat room: an inner window with the six child classes that mark a room, a read-only
// transcript that answers the text messages line by line, and an input box that sends on
// Enter. The room records who wrote each line.
#include <string>
#include <vector>

#include "standin/window.h"

namespace rv::standin {

struct ChatLine {
    std::string screen_name;
    std::string html;        // exactly as sent
    bool from_user = false;  // typed by the signed-on user at this computer
};

class Room : public Window {
  public:
    Room(Client& client, const std::string& name, HWND area);

    const std::string& name() const { return m_name; }
    HWND input() const { return m_input; }
    HWND transcript() const { return m_transcript; }
    const std::vector<ChatLine>& lines() const { return m_lines; }
    const std::string& input_text() const { return m_input_text; }
    const std::vector<std::string>& people() const { return m_people; }
    // The transcript window's text of line i: "name:\ttext", always one line.
    const std::string& plain_line(std::size_t i) const { return m_plain[i]; }

    // A line into the room under `name`, which the client has already let in; an empty name
    // is a system line, with no "name:<tab>" before it.
    void add_line(const std::string& name, const std::string& html, bool from_user);
    // The people list as a network tells it: `self` alone, then joins, leaves and renames.
    void reset_people(const std::string& self);
    void add_person(const std::string& name);
    void remove_person(const std::string& name);
    void rename_person(const std::string& from, const std::string& to);
    // A closed room stays as a record, so a view may still show what was said.
    void close() override;

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    LRESULT input_message(HWND h, UINT msg, WPARAM w, LPARAM l);
    LRESULT transcript_message(HWND h, UINT msg, WPARAM w, LPARAM l);
    LRESULT line_message(UINT msg, WPARAM w, LPARAM l) const;

    std::string m_name;
    HWND m_input = 0, m_transcript = 0;
    std::vector<ChatLine> m_lines;
    std::vector<std::string> m_plain;
    std::vector<std::size_t> m_line_start;  // byte offset of each line in the whole text
    std::size_t m_text_length = 0;
    std::string m_input_text;
    std::vector<std::string> m_people;
};

}  // namespace rv::standin
