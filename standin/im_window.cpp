#include "standin/im_window.h"

#include <algorithm>

#include "standin/chat_html.h"
#include "standin/chat_network.h"
#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

ImWindow::ImWindow(Client& client, const std::string& buddy, HWND area, const std::string& address)
    : Window(client), m_buddy(buddy), m_address(address) {
    m_window = create_handled("AOL Child", "Instant Message To: " + buddy, area);
    create("_AOL_Static", buddy, m_window);
    m_transcript = create_handled("RICHCNTLREADONLY", "", m_window);
    m_input = create_handled("RICHCNTL", "", m_window);
    m_send = create_handled("_AOL_Icon", "Send", m_window);
}

void ImWindow::add_line(const std::string& name, const std::string& html, bool from_user) {
    if (!is_open()) return;
    if (m_plain.size() >= kMaxLines) drop_oldest(kDropLines);
    m_plain.push_back(name.empty() ? html_to_plain(html) : name + ":\t" + html_to_plain(html));
    m_lines.push_back({name, html, from_user});
    // A copy: a subscriber may add a line of its own, which moves the vector's lines.
    const ChatLine added = m_lines.back();
    m_client.im_line_added(*this, added);
    changed();
}

void ImWindow::drop_oldest(std::size_t count) {
    count = std::min(count, m_plain.size());
    m_plain.drop_front(count);
    m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(count));
    m_dropped += count;
}

void ImWindow::send_input() {
    std::string text;
    text.swap(m_input_text);
    // On a network, "/word ..." is a command to it, as in a room.
    ChatNetwork* network = m_client.network();
    if (!is_blank(text) && !(network && network->command(*this, text)))
        add_line(m_client.screen_name(), text, true);
    changed();
}

LRESULT ImWindow::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_window && msg == WM_CLOSE) {
        close();
        return 0;
    }
    if (h == m_send) {
        if (button_clicked(m_send_pressed, msg, w)) send_input();
        return 0;
    }
    if (h == m_input) {
        if (msg == WM_CHAR && w == VK_RETURN) {
            send_input();
            return 0;
        }
        if (auto r = edit_message(m_input_text, msg, w, l)) {
            changed();
            return *r;
        }
    }
    if (h == m_transcript) {
        if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(m_plain.length());
        if (msg == WM_GETTEXT)
            return static_cast<LRESULT>(copy_text(m_plain.text(), reinterpret_cast<char*>(l), w));
        if (msg == WM_SETTEXT) return 0;  // read-only
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
