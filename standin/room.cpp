#include "standin/room.h"

#include <algorithm>
#include <cstring>

#include "standin/chat_html.h"
#include "standin/chat_network.h"
#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

Room::Room(Client& client, const std::string& name, HWND area) : Window(client), m_name(name) {
    m_window = create_handled("AOL Child", name, area);
    desktop().BringWindowToTop(m_window);
    create("_AOL_Static", name, m_window);
    m_transcript = create_handled("RICHCNTLREADONLY", "", m_window);
    create("_AOL_Combobox", "", m_window);
    create("_AOL_Icon", "Send", m_window);
    m_input = create_handled("RICHCNTL", "", m_window);
    create("_AOL_Image", "", m_window);
    m_people.insert(client.screen_name());
}

void Room::close() {
    HWND h = m_window;
    m_window = m_input = m_transcript = 0;
    if (h && desktop().IsWindow(h)) desktop().DestroyWindow(h);
    changed();
}

void Room::add_line(const std::string& name, const std::string& html, bool from_user) {
    if (!is_open()) return;
    if (!name.empty()) add_person(name);
    if (m_plain.size() >= kMaxLines) drop_oldest(kDropLines);
    // A system line has no author: no "name:<tab>" before it.
    m_plain.push_back(name.empty() ? html_to_plain(html) : name + ":\t" + html_to_plain(html));
    m_lines.push_back({name, html, from_user});
    // A copy: a subscriber may add a line of its own, which moves the vector's lines.
    const ChatLine added = m_lines.back();
    m_client.line_added(*this, added);
    changed();
}

void Room::drop_oldest(std::size_t count) {
    count = std::min(count, m_plain.size());
    m_plain.drop_front(count);
    m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(count));
    m_dropped += count;
}

void Room::reset_people(const std::string& self) {
    m_people = {self};
}

void Room::add_person(const std::string& name) {
    if (!name.empty() && m_people.size() < kMaxPeople) m_people.insert(name);
}

void Room::remove_person(const std::string& name) {
    m_people.erase(name);
}

void Room::rename_person(const std::string& from, const std::string& to) {
    if (m_people.erase(from) && !to.empty()) m_people.insert(to);
}

LRESULT Room::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_input) return input_message(h, msg, w, l);
    if (h == m_transcript) return transcript_message(h, msg, w, l);
    if (h == m_window && msg == WM_CLOSE) {
        m_client.close_window(h);
        return 0;
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

LRESULT Room::input_message(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_CHAR && w == VK_RETURN) {
        // Enter sends what is in the box and clears it; a chat client sends no blank line.
        std::string text;
        text.swap(m_input_text);
        // On a network, "/word ..." is a command to it: not a line for the room.
        ChatNetwork* network = m_client.network();
        if (!is_blank(text) && !(network && network->command(*this, text)))
            add_line(m_client.screen_name(), text, true);
        changed();
        return 0;
    }
    if (auto r = edit_message(m_input_text, msg, w, l)) {
        if (msg == WM_SETTEXT || msg == WM_CHAR) changed();
        return *r;
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

LRESULT Room::transcript_message(HWND h, UINT msg, WPARAM w, LPARAM l) {
    const std::size_t n = m_plain.size();
    switch (msg) {
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(m_plain.length());
        case WM_GETTEXT:
            return static_cast<LRESULT>(copy_text(m_plain.text(), reinterpret_cast<char*>(l), w));
        case EM_GETLINECOUNT:
            return static_cast<LRESULT>(std::max<std::size_t>(1, n));
        case EM_LINEINDEX:
        case EM_LINELENGTH:
        case EM_GETLINE:
            return line_message(msg, w, l);
        case WM_SETTEXT:
            return 0;  // read-only
        default:
            return desktop().DefWindowProcA(h, msg, w, l);
    }
}

LRESULT Room::line_message(UINT msg, WPARAM w, LPARAM l) const {
    const std::size_t n = m_plain.size();
    if (msg == EM_LINEINDEX) {
        if (w >= n) return n == 0 && w == 0 ? 0 : -1;
        return static_cast<LRESULT>(m_plain.starts()[w]);
    }
    if (msg == EM_LINELENGTH) {
        // wParam is a character index; the length of the line that holds it.
        const auto& starts = m_plain.starts();
        auto it = std::upper_bound(starts.begin(), starts.end(), static_cast<std::size_t>(w));
        if (it == starts.begin()) return 0;
        return static_cast<LRESULT>(
            m_plain[static_cast<std::size_t>(it - starts.begin() - 1)].size());
    }
    // EM_GETLINE: the buffer's first 16-bit word holds its size; the line is not 0-terminated.
    if (w >= n || l == 0) return 0;
    char* buf = reinterpret_cast<char*>(l);
    std::uint16_t size = 0;
    std::memcpy(&size, buf, sizeof size);
    const std::string& line = m_plain[w];
    std::size_t count = utf8_prefix(line, size);
    std::memcpy(buf, line.data(), count);
    return static_cast<LRESULT>(count);
}

}  // namespace rv::standin
