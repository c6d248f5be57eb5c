#pragma once
// A chat room: an inner window with the six child classes that mark a room, a read-only
// transcript that answers the text messages line by line, and an input box that sends on
// Enter. The room records who wrote each line, for its last lines only.
#include <set>
#include <string>
#include <vector>

#include "standin/transcript_lines.h"
#include "standin/window.h"

namespace rv::standin {

struct ChatLine {
    std::string screen_name;
    std::string html;        // exactly as sent
    bool from_user = false;  // typed by the signed-on user at this computer
};

class Room : public Window {
  public:
    // The transcript holds the last kMaxLines lines. Older ones go kDropLines at a time, so
    // the window's lines move up seldom and by a whole block, as a reader expects of a chat
    // window that lets its oldest lines go.
    static constexpr std::size_t kMaxLines = 10000;
    static constexpr std::size_t kDropLines = 1000;
    // The people listed at most, as many as a network channel keeps.
    static constexpr std::size_t kMaxPeople = 10000;

    Room(Client& client, const std::string& name, HWND area);

    const std::string& name() const { return m_name; }
    HWND input() const { return m_input; }
    HWND transcript() const { return m_transcript; }
    // The lines the transcript still holds, oldest first.
    const std::vector<ChatLine>& lines() const { return m_lines; }
    // How many lines went from the front: lines()[i] is the room's line dropped() + i.
    std::size_t dropped() const { return m_dropped; }
    const std::string& input_text() const { return m_input_text; }
    const std::set<std::string>& people() const { return m_people; }
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
    void drop_oldest(std::size_t count);

    std::string m_name;
    HWND m_input = 0, m_transcript = 0;
    std::vector<ChatLine> m_lines;
    TranscriptLines m_plain;  // the transcript window's text, line by line
    std::size_t m_dropped = 0;
    std::string m_input_text;
    std::set<std::string> m_people;
};

}  // namespace rv::standin
