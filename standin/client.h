#pragma once
// The stand-in chat client: its windows live on the Desktop with the classes of the old
// client and answer the same window messages. One class per kind of window; the client owns
// them, keeps them in step and frees a closed one only once none of its handlers runs. A
// person uses it through its view; the program only through window messages.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/event_loop.h"
#include "platform/loop/subscription.h"
#include "platform/winapi/desktop.h"
#include "standin/deleted_mail.h"
#include "standin/frame.h"
#include "standin/im_window.h"
#include "standin/mail_store.h"
#include "standin/mailbox.h"
#include "standin/menu.h"
#include "standin/message_box.h"
#include "standin/room.h"
#include "standin/send_im.h"
#include "standin/toolbar.h"

namespace rv::standin {

class ChatNetwork;

class Client {
  public:
    // `screen_name` is cleaned; an empty one signs on as "Guest". The mail is kept in
    // `mail_folder` (empty: in memory only).
    Client(winapi::Desktop& desktop, EventLoop& loop, std::string screen_name,
           std::string mail_folder = {});
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const std::string& screen_name() const { return m_screen_name; }
    HWND frame() const { return m_frame->window(); }
    HWND mdi() const { return m_frame->area(); }
    HWND welcome() const { return m_frame->welcome(); }
    Toolbar& toolbar() const { return *m_toolbar; }
    winapi::Desktop& desktop() const { return m_desktop; }
    EventLoop& loop() const { return m_loop; }

    // A new chat room on top of the inner windows.
    Room& open_room(const std::string& name);
    // The conversation with `buddy` (cleaned; names compare without regard to case), raised;
    // a new one when none is open; 0 for a name that cleans to nothing. `address` is the name
    // a network knows the buddy by; without one, the name as typed when it shows unchanged,
    // else none: a name shown with markers or cut is not one to send to.
    HWND open_im(const std::string& buddy, const std::string& address = {});
    // Closes an inner window (not the welcome window).
    void close_window(HWND inner);
    // The room highest in the inner windows' order, or null.
    Room* top_room();
    Room* room_of(HWND window);
    const std::vector<std::unique_ptr<Room>>& rooms() const { return m_rooms; }
    // The open windows other than rooms, oldest first.
    const std::vector<std::unique_ptr<Window>>& windows() const { return m_windows; }
    template <class T>
    T* find(HWND h) const {
        for (const auto& w : m_windows)
            if (w->window() == h && h != 0) return dynamic_cast<T*>(w.get());
        return nullptr;
    }

    // Mail. Opening a mailbox that is open raises it and shows the tab.
    MailStore& mail() { return m_mail; }
    MailboxWindow& open_mailbox(int tab);
    DeletedMailWindow& open_deleted_mail();
    void move_mail(std::uint32_t id, Box to);
    void remove_mail(std::uint32_t id);

    // Menus: one chain at a time, the Mail menu under the toolbar's Mail button.
    Menu& open_mail_menu();
    Menu& open_submenu(const std::vector<MenuItem>& items, Menu& parent);
    void close_menus();

    // Instant messages. A message to "$IM_ON" or "$IM_OFF" switches them on or off and the
    // client says so in a message box; one to anybody else goes into the conversation with
    // them, and the window it was written in closes.
    bool ims_on() const { return m_ims_on; }
    // How many times instant messages went off: one spell of "off" from the next.
    std::size_t ims_off_spells() const { return m_ims_off_spells; }
    SendImWindow& open_send_im(const std::string& to);
    void send_im(SendImWindow& window);
    // Another person messages the user: refused as say_as refuses, and while instant
    // messages are off. `address` as for open_im.
    bool im_from(const std::string& name, const std::string& text, const std::string& address = {});
    MessageBox& message_box(const std::string& text);

    // Lines as the people in the room say them.
    void user_send(Room& room, const std::string& text);  // the signed-on user: input + Enter
    // Another chatter: refused (false) when the name is not one another chatter may use, or
    // the room is closed.
    bool say_as(Room& room, const std::string& name, const std::string& text);

    // Screen names cannot hold what would confuse the transcript's "name:<tab>" form, and
    // show every character that could make them read as another name (text::visible_name).
    static std::string clean_name(const std::string& name);
    // Whether another chatter may go by `name`: it must clean to something, and not to the
    // signed-on user's name in any case, so that nobody's line can pass for the user's.
    bool name_allowed(const std::string& name) const;

    // What the network says about the room: a transcript line without an author, which a
    // scanner does not take for chat.
    void system_line(Room& room, const std::string& text);
    void system_line(ImWindow& im, const std::string& text);
    // The people list, as the network knows it; the signed-on user always stays in it.
    void set_people(Room& room, const std::vector<std::string>& people);
    void person_joined(Room& room, const std::string& name);
    void person_left(Room& room, const std::string& name);
    // The network renamed the user: the client's screen name follows, and with it the
    // welcome window's title, where a scanner reads who is signed on.
    void set_screen_name(const std::string& name);
    // An open room by name, without regard to case; null when none is.
    Room* room_named(const std::string& name);

    // The IRC link, when the program has one (the sign-on form uses it).
    ChatNetwork* network() const { return m_network; }
    void attach_network(ChatNetwork* network) { m_network = network; }

    // Told of every line a room receives, and of any change the view should show.
    Signal<const Room&, const ChatLine&> on_line;
    Signal<const ImWindow&, const ChatLine&> on_im_line;
    std::function<void()> on_changed;

    // For the windows: the one place their windows are made, lines reported, changes told,
    // and closed windows handed back.
    HWND create_window(const std::string& cls, const std::string& title, HWND parent,
                       winapi::WndProc proc);
    void line_added(const Room& room, const ChatLine& line);
    void im_line_added(const ImWindow& im, const ChatLine& line) { on_im_line(im, line); }
    void changed() {
        if (on_changed) on_changed();
    }
    void retire(Window* window);

  private:
    // The conversation with a name clean_name has already made.
    HWND open_clean_im(const std::string& name, const std::string& address);
    // `clean` as the network's name for the person, when it is what was typed; else "".
    static std::string network_address(const std::string& typed, const std::string& clean);

    template <class T, class... Args>
    T& add(Args&&... args) {
        auto w = std::make_unique<T>(*this, std::forward<Args>(args)...);
        m_desktop.BringWindowToTop(w->window());
        T& ref = *w;
        m_windows.push_back(std::move(w));
        changed();
        return ref;
    }

    winapi::Desktop& m_desktop;
    EventLoop& m_loop;
    std::string m_screen_name;
    ChatNetwork* m_network = nullptr;
    std::vector<MenuItem> mail_menu_items();
    void mail_changed();

    std::unique_ptr<Frame> m_frame;
    std::unique_ptr<Toolbar> m_toolbar;
    MailStore m_mail;
    bool m_ims_on = true;
    std::size_t m_ims_off_spells = 0;
    std::vector<std::unique_ptr<Room>> m_rooms;
    std::vector<std::unique_ptr<Window>> m_windows;
    std::vector<std::unique_ptr<Window>> m_retired;
    // Lets a task posted to the loop know whether the client still exists.
    AliveToken m_alive;
};

}  // namespace rv::standin
