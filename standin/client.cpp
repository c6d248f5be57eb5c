#include "standin/client.h"

#include <strings.h>

#include <algorithm>

#include "platform/text/html_escape.h"
#include "platform/text/visible_name.h"

namespace rv::standin {

using namespace winapi;

std::string Client::clean_name(const std::string& name) {
    std::string out;
    // The colon would end the name early, control characters would break the line.
    for (char c : name)
        if (c != ':' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    std::size_t a = out.find_first_not_of(' ');
    std::size_t b = out.find_last_not_of(' ');
    return a == std::string::npos ? "" : text::visible_name(out.substr(a, b - a + 1));
}

bool Client::name_allowed(const std::string& name) const {
    const std::string clean = clean_name(name);
    return !clean.empty() && strcasecmp(clean.c_str(), m_screen_name.c_str()) != 0;
}

Client::Client(Desktop& desktop, EventLoop& loop, std::string screen_name, std::string mail_folder)
    : m_desktop(desktop),
      m_loop(loop),
      m_screen_name(clean_name(screen_name)),
      m_mail(std::move(mail_folder)) {
    if (m_screen_name.empty()) m_screen_name = "Guest";
    m_frame = std::make_unique<Frame>(*this, m_screen_name);
    m_toolbar = std::make_unique<Toolbar>(*this, m_frame->window());
}

Client::~Client() {
    m_windows.clear();
    m_retired.clear();
    m_rooms.clear();
    m_toolbar.reset();
    m_frame.reset();
}

HWND Client::create_window(const std::string& cls, const std::string& title, HWND parent,
                           WndProc proc) {
    return m_desktop.CreateWindowA(cls, title, parent, std::move(proc), true);
}

void Client::retire(Window* window) {
    auto it = std::find_if(m_windows.begin(), m_windows.end(),
                           [window](const auto& w) { return w.get() == window; });
    if (it == m_windows.end()) return;
    m_retired.push_back(std::move(*it));
    m_windows.erase(it);
    changed();
    // Freed at the next pump: by then no procedure of the window is running.
    m_loop.post([this, alive = m_alive.watch()] {
        if (alive.alive()) m_retired.clear();
    });
}

Room& Client::open_room(const std::string& name) {
    m_rooms.push_back(std::make_unique<Room>(*this, name, mdi()));
    changed();
    return *m_rooms.back();
}

std::string Client::network_address(const std::string& typed, const std::string& clean) {
    const std::size_t a = typed.find_first_not_of(' ');
    const std::size_t b = typed.find_last_not_of(' ');
    const std::string trimmed = a == std::string::npos ? "" : typed.substr(a, b - a + 1);
    return trimmed == clean ? clean : "";
}

HWND Client::open_im(const std::string& buddy, const std::string& address) {
    const std::string name = clean_name(buddy);
    return open_clean_im(name, address.empty() ? network_address(buddy, name) : address);
}

HWND Client::open_clean_im(const std::string& name, const std::string& address) {
    if (name.empty()) return 0;  // nobody to talk to
    for (const auto& w : m_windows)
        if (auto* im = dynamic_cast<ImWindow*>(w.get());
            im && im->is_open() && strcasecmp(im->buddy().c_str(), name.c_str()) == 0) {
            m_desktop.BringWindowToTop(im->window());
            changed();
            return im->window();
        }
    return add<ImWindow>(name, mdi(), address).window();
}

void Client::close_window(HWND inner) {
    if (inner == 0 || m_desktop.GetParent(inner) != mdi() || inner == m_frame->welcome()) return;
    if (Room* r = room_of(inner)) {
        r->close();
        return;
    }
    for (const auto& w : m_windows)
        if (w->window() == inner) {
            w->close();
            return;
        }
}

Room* Client::top_room() {
    for (HWND h : m_desktop.children(mdi()))
        if (Room* r = room_of(h)) return r;
    return nullptr;
}

Room* Client::room_of(HWND window) {
    if (window == 0) return nullptr;
    for (auto& r : m_rooms)
        if (r->window() == window) return r.get();
    return nullptr;
}

void Client::user_send(Room& room, const std::string& text) {
    m_desktop.SendMessageA(room.input(), WM_SETTEXT, 0, text_param(text.c_str()));
    m_desktop.SendMessageA(room.input(), WM_CHAR, VK_RETURN, 0);
}

bool Client::say_as(Room& room, const std::string& name, const std::string& text) {
    if (!name_allowed(name) || !room.is_open()) return false;
    room.add_line(clean_name(name), text, false);
    return true;
}

namespace {
std::string system_html(const std::string& text) {
    std::string html;
    // No tab, so the line never reads as "name:<tab>".
    for (char c : text) text::append_html_escaped(html, c == '\t' ? ' ' : c);
    return html;
}
}  // namespace

void Client::system_line(Room& room, const std::string& text) {
    if (room.is_open()) room.add_line("", system_html(text), false);
}

void Client::system_line(ImWindow& im, const std::string& text) {
    if (im.is_open()) im.add_line("", system_html(text), false);
}

void Client::set_people(Room& room, const std::vector<std::string>& people) {
    room.reset_people(m_screen_name);
    for (const auto& p : people) room.add_person(clean_name(p));
    changed();
}

void Client::person_joined(Room& room, const std::string& name) {
    room.add_person(clean_name(name));
    changed();
}

void Client::person_left(Room& room, const std::string& name) {
    const std::string clean = clean_name(name);
    if (clean == m_screen_name) return;
    room.remove_person(clean);
    changed();
}

void Client::set_screen_name(const std::string& name) {
    const std::string clean = clean_name(name);
    if (clean.empty() || clean == m_screen_name) return;
    for (auto& r : m_rooms) r->rename_person(m_screen_name, clean);
    m_screen_name = clean;
    m_desktop.set_title(welcome(), "Welcome, " + m_screen_name + "!");
    changed();
}

Room* Client::room_named(const std::string& name) {
    for (auto& r : m_rooms)
        if (r->is_open() && strcasecmp(r->name().c_str(), name.c_str()) == 0) return r.get();
    return nullptr;
}

void Client::line_added(const Room& room, const ChatLine& line) {
    on_line(room, line);
}

}  // namespace rv::standin
