#include "standin/client.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "standin/chat_html.h"

namespace rv::standin {

using namespace winapi;

std::string Client::clean_name(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != ':' && c != '\t' && c != '\r' && c != '\n') out += c;
    std::size_t a = out.find_first_not_of(' ');
    std::size_t b = out.find_last_not_of(' ');
    return a == std::string::npos ? "" : out.substr(a, b - a + 1);
}

Client::Client(Desktop& desktop, std::string screen_name)
    : m_desktop(desktop), m_screen_name(clean_name(screen_name)) {
    if (m_screen_name.empty()) m_screen_name = "Guest";
    m_frame = m_desktop.CreateWindowA("aol frame25", "Chat Client", 0, {}, true);
    m_mdi = m_desktop.CreateWindowA("MDIClient", "", m_frame, {}, true);
    // The welcome window names the signed-on user, as the old client's did.
    m_welcome =
        m_desktop.CreateWindowA("AOL Child", "Welcome, " + m_screen_name + "!", m_mdi, {}, true);
}

Client::~Client() {
    m_desktop.DestroyWindow(m_frame);
}

Room& Client::open_room(const std::string& name) {
    auto room = std::make_unique<Room>();
    Room& r = *room;
    r.m_name = name;
    r.m_window = m_desktop.CreateWindowA("AOL Child", name, m_mdi, {}, true);
    m_desktop.BringWindowToTop(r.m_window);
    m_desktop.CreateWindowA("_AOL_Static", name, r.m_window, {}, true);
    r.m_transcript = m_desktop.CreateWindowA(
        "RICHCNTLREADONLY", "", r.m_window,
        [this, &r](HWND h, UINT m, WPARAM w, LPARAM l) { return transcript_proc(r, h, m, w, l); },
        true);
    m_desktop.CreateWindowA("_AOL_Combobox", "", r.m_window, {}, true);
    m_desktop.CreateWindowA("_AOL_Icon", "Send", r.m_window, {}, true);
    r.m_input = m_desktop.CreateWindowA(
        "RICHCNTL", "", r.m_window,
        [this, &r](HWND h, UINT m, WPARAM w, LPARAM l) { return input_proc(r, h, m, w, l); }, true);
    m_desktop.CreateWindowA("_AOL_Image", "", r.m_window, {}, true);
    r.m_people.push_back(m_screen_name);
    m_rooms.push_back(std::move(room));
    changed();
    return r;
}

HWND Client::open_im(const std::string& buddy) {
    HWND im = m_desktop.CreateWindowA("AOL Child", "Instant Message To: " + buddy, m_mdi, {}, true);
    m_desktop.BringWindowToTop(im);
    m_desktop.CreateWindowA("_AOL_Static", buddy, im, {}, true);
    m_desktop.CreateWindowA("RICHCNTLREADONLY", "", im, {}, true);
    m_desktop.CreateWindowA("_AOL_Icon", "Send", im, {}, true);
    m_desktop.CreateWindowA("RICHCNTL", "", im, {}, true);
    changed();
    return im;
}

void Client::close_window(HWND inner) {
    if (m_desktop.GetParent(inner) != m_mdi || inner == m_welcome) return;
    m_desktop.DestroyWindow(inner);
    // Rooms are kept as records (a view may still show them) but lose their windows.
    for (auto& r : m_rooms)
        if (r->m_window == inner) r->m_window = r->m_input = r->m_transcript = 0;
    changed();
}

Room* Client::top_room() {
    for (HWND h : m_desktop.children(m_mdi))
        if (Room* r = room_of(h)) return r;
    return nullptr;
}

Room* Client::room_of(HWND window) {
    if (window == 0) return nullptr;
    for (auto& r : m_rooms)
        if (r->m_window == window) return r.get();
    return nullptr;
}

void Client::user_send(Room& room, const std::string& text) {
    m_desktop.SendMessageA(room.m_input, WM_SETTEXT, 0, text_param(text.c_str()));
    m_desktop.SendMessageA(room.m_input, WM_CHAR, 13, 0);
}

void Client::say_as(Room& room, const std::string& name, const std::string& text) {
    std::string clean = clean_name(name);
    if (clean.empty() || room.m_window == 0) return;
    add_line(room, clean, text);
}

void Client::system_line(Room& room, const std::string& text) {
    if (room.m_window == 0) return;
    std::string html;
    for (char c : text) {
        if (c == '<') html += "&lt;";
        else if (c == '>') html += "&gt;";
        else if (c == '&') html += "&amp;";
        else if (c == '"') html += "&quot;";
        else if (c == '\t') html += ' ';  // no tab, so the line never reads as "name:<tab>"
        else html += c;
    }
    add_line(room, "", html);
}

void Client::set_people(Room& room, const std::vector<std::string>& people) {
    room.m_people.assign(1, m_screen_name);
    for (const auto& p : people) person_joined(room, p);
    changed();
}

void Client::person_joined(Room& room, const std::string& name) {
    std::string clean = clean_name(name);
    if (clean.empty()) return;
    if (std::find(room.m_people.begin(), room.m_people.end(), clean) == room.m_people.end())
        room.m_people.push_back(clean);
    changed();
}

void Client::person_left(Room& room, const std::string& name) {
    std::string clean = clean_name(name);
    if (clean == m_screen_name) return;
    std::erase(room.m_people, clean);
    changed();
}

void Client::set_screen_name(const std::string& name) {
    std::string clean = clean_name(name);
    if (clean.empty() || clean == m_screen_name) return;
    for (auto& r : m_rooms)
        for (auto& p : r->m_people)
            if (p == m_screen_name) p = clean;
    m_screen_name = clean;
    // The welcome window is where a scanner reads who is signed on.
    m_desktop.set_title(m_welcome, "Welcome, " + m_screen_name + "!");
    changed();
}

Room* Client::room_named(const std::string& name) {
    for (auto& r : m_rooms) {
        if (r->m_window == 0 || r->m_name.size() != name.size()) continue;
        if (std::equal(name.begin(), name.end(), r->m_name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return r.get();
    }
    return nullptr;
}

void Client::add_line(Room& room, const std::string& name, const std::string& html) {
    if (!name.empty() &&
        std::find(room.m_people.begin(), room.m_people.end(), name) == room.m_people.end())
        room.m_people.push_back(name);
    // A system line has no author: no "name:<tab>" before it.
    std::string plain = name.empty() ? html_to_plain(html) : name + ":\t" + html_to_plain(html);
    std::size_t start = room.m_plain.empty() ? 0 : room.m_text_length + 2;  // "\r\n" between
    room.m_line_start.push_back(start);
    room.m_text_length = start + plain.size();
    room.m_plain.push_back(std::move(plain));
    room.m_lines.push_back({name, html});
    const ChatLine& line = room.m_lines.back();
    for (auto& f : on_line) f(room, line);
    changed();
}

LRESULT Client::input_proc(Room& room, HWND h, UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_SETTEXT:
            room.m_input_text = l ? reinterpret_cast<const char*>(l) : "";
            return 1;
        case WM_GETTEXT:
            return static_cast<LRESULT>(
                copy_text(room.m_input_text, reinterpret_cast<char*>(l), w));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(room.m_input_text.size());
        case WM_CHAR:
            if (w == 13) {
                // Enter sends what is in the box, an empty line too, and clears it.
                std::string text;
                text.swap(room.m_input_text);
                add_line(room, m_screen_name, text);
            } else if (w == 8) {
                if (!room.m_input_text.empty()) room.m_input_text.pop_back();
            } else if (w >= 32 && w < 128) {
                room.m_input_text += static_cast<char>(w);
            }
            changed();
            return 0;
        default:
            return m_desktop.DefWindowProcA(h, msg, w, l);
    }
}

LRESULT Client::transcript_proc(Room& room, HWND h, UINT msg, WPARAM w, LPARAM l) {
    const std::size_t n = room.m_plain.size();
    switch (msg) {
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(room.m_text_length);
        case WM_GETTEXT: {
            std::string all;
            all.reserve(room.m_text_length);
            for (std::size_t i = 0; i < n; ++i) {
                if (i) all += "\r\n";
                all += room.m_plain[i];
            }
            return static_cast<LRESULT>(copy_text(all, reinterpret_cast<char*>(l), w));
        }
        case EM_GETLINECOUNT:
            return static_cast<LRESULT>(std::max<std::size_t>(1, n));
        case EM_LINEINDEX: {
            if (w >= n) return n == 0 && w == 0 ? 0 : -1;
            return static_cast<LRESULT>(room.m_line_start[w]);
        }
        case EM_LINELENGTH: {
            // wParam is a character index; the length of the line that holds it.
            auto it = std::upper_bound(room.m_line_start.begin(), room.m_line_start.end(),
                                       static_cast<std::size_t>(w));
            if (it == room.m_line_start.begin()) return 0;
            return static_cast<LRESULT>(
                room.m_plain[static_cast<std::size_t>(it - room.m_line_start.begin() - 1)].size());
        }
        case EM_GETLINE: {
            // The buffer's first 16-bit word holds its size; the line is not 0-terminated.
            if (w >= n || l == 0) return 0;
            char* buf = reinterpret_cast<char*>(l);
            std::uint16_t size = 0;
            std::memcpy(&size, buf, sizeof size);
            const std::string& line = room.m_plain[w];
            std::size_t count = utf8_prefix(line, size);
            std::memcpy(buf, line.data(), count);
            return static_cast<LRESULT>(count);
        }
        default:
            return m_desktop.DefWindowProcA(h, msg, w, l);
    }
}

}  // namespace rv::standin
