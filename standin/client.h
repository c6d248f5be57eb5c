#pragma once
// The stand-in chat client: its windows live on the Desktop with the classes of the old
// client and answer the same window messages. A person uses it through its view; the program
// only through window messages.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/desktop.h"

namespace rv::standin {

using winapi::HWND;
class ChatNetwork;

struct ChatLine {
    std::string screen_name;
    std::string html;  // exactly as sent
};

class Room {
  public:
    const std::string& name() const { return m_name; }
    HWND window() const { return m_window; }
    HWND input() const { return m_input; }
    HWND transcript() const { return m_transcript; }
    const std::vector<ChatLine>& lines() const { return m_lines; }
    const std::string& input_text() const { return m_input_text; }
    const std::vector<std::string>& people() const { return m_people; }
    // The transcript window's text of line i: "name:\ttext".
    const std::string& plain_line(std::size_t i) const { return m_plain[i]; }

  private:
    friend class Client;
    std::string m_name;
    HWND m_window = 0, m_input = 0, m_transcript = 0;
    std::vector<ChatLine> m_lines;
    std::vector<std::string> m_plain;
    std::vector<std::size_t> m_line_start;  // byte offset of each line in the whole text
    std::size_t m_text_length = 0;
    std::string m_input_text;
    std::vector<std::string> m_people;
};

class Client {
  public:
    Client(winapi::Desktop& desktop, std::string screen_name);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const std::string& screen_name() const { return m_screen_name; }
    HWND frame() const { return m_frame; }
    HWND mdi() const { return m_mdi; }
    winapi::Desktop& desktop() const { return m_desktop; }

    // A new chat room on top of the inner windows.
    Room& open_room(const std::string& name);
    // An instant-message window: an inner window that lacks some of the room's classes.
    HWND open_im(const std::string& buddy);
    void close_window(HWND inner);
    // The room highest in the inner windows' order, or null.
    Room* top_room();
    Room* room_of(HWND window);
    const std::vector<std::unique_ptr<Room>>& rooms() const { return m_rooms; }

    // Lines as the people in the room say them.
    void user_send(Room& room, const std::string& text);  // the signed-on user: input + Enter
    void say_as(Room& room, const std::string& name, const std::string& text);
    // What the network says about the room: a transcript line without an author, which a
    // scanner does not take for chat.
    void system_line(Room& room, const std::string& text);
    // The people list, as the network knows it; the signed-on user always stays in it.
    void set_people(Room& room, const std::vector<std::string>& people);
    void person_joined(Room& room, const std::string& name);
    void person_left(Room& room, const std::string& name);
    // The network renamed the user: the client's screen name follows.
    void set_screen_name(const std::string& name);
    // A room by name, without regard to case; null when none is open.
    Room* room_named(const std::string& name);

    // The IRC link, when the program has one (the sign-on form uses it).
    ChatNetwork* network() const { return m_network; }
    void attach_network(ChatNetwork* network) { m_network = network; }

    // Told of every line a room receives, and of any change the view should show.
    std::vector<std::function<void(const Room&, const ChatLine&)>> on_line;
    std::function<void()> on_changed;

    // Screen names cannot hold what would confuse the transcript's "name:<tab>" form.
    static std::string clean_name(const std::string& name);

  private:
    winapi::LRESULT input_proc(Room& room, HWND h, winapi::UINT msg, winapi::WPARAM w,
                               winapi::LPARAM l);
    winapi::LRESULT transcript_proc(Room& room, HWND h, winapi::UINT msg, winapi::WPARAM w,
                                    winapi::LPARAM l);
    void add_line(Room& room, const std::string& name, const std::string& html);
    void changed() {
        if (on_changed) on_changed();
    }

    winapi::Desktop& m_desktop;
    std::string m_screen_name;
    HWND m_frame = 0, m_mdi = 0, m_welcome = 0;
    ChatNetwork* m_network = nullptr;
    std::vector<std::unique_ptr<Room>> m_rooms;
};

}  // namespace rv::standin
