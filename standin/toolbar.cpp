#include "standin/toolbar.h"

#include <strings.h>

#include "standin/client.h"
#include "standin/mailbox.h"

namespace rv::standin {

using namespace winapi;

const char* const Toolbar::kCaptions[kButtons] = {"Mail", "Read", "IM", "Chat"};
const char* const Toolbar::kImLink = "aol://9293:";

namespace {
std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}
}  // namespace

Toolbar::Toolbar(Client& client, HWND frame) : Window(client) {
    m_window = create("AOL Toolbar", "", frame);
    m_bar = create("_AOL_Toolbar", "", m_window);
    for (const char* caption : kCaptions) {
        m_buttons.push_back(create_handled("_AOL_Icon", caption, m_bar));
        m_pressed.push_back(false);
    }
    m_combo = create("_AOL_Combobox", "", m_bar);
    m_edit = create_handled("Edit", "", m_combo);
}

LRESULT Toolbar::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_edit) {
        if (msg == WM_CHAR && w == VK_RETURN) {
            go();
            return 0;
        }
        if (auto r = edit_message(m_address, msg, w, l)) {
            changed();
            return *r;
        }
    }
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (h == m_buttons[i]) {
            bool pressed = m_pressed[i];
            const bool clicked = button_clicked(pressed, msg, w);
            m_pressed[i] = pressed;
            if (clicked) press(static_cast<int>(i));
            return 0;
        }
    return desktop().DefWindowProcA(h, msg, w, l);
}

void Toolbar::press(int i) {
    switch (i) {
        case kMail:
            m_client.open_mail_menu();
            break;
        case kRead:
            m_client.open_mailbox(MailboxWindow::kNew);
            break;
        case kIm:
            m_client.open_send_im("");
            break;
        case kChat:
            m_client.open_room("Room " + std::to_string(m_client.rooms().size() + 1));
            break;
        default:
            break;
    }
}

void Toolbar::go() {
    // Blanks around what was typed mean nothing; the box keeps the text, as an address does.
    const std::string where = trim(m_address);
    const std::size_t link = std::string(kImLink).size();
    if (where.size() >= link && strncasecmp(where.c_str(), kImLink, link) == 0) {
        m_client.open_send_im(trim(where.substr(link)));
    } else if (strcasecmp(where.c_str(), "mail") == 0) {
        m_client.open_mailbox(MailboxWindow::kNew);
    } else if (strcasecmp(where.c_str(), "deleted mail") == 0) {
        m_client.open_deleted_mail();
    } else if (strcasecmp(where.c_str(), "im") == 0) {
        m_client.open_send_im("");
    }
    // A keyword the client does not know opens nothing.
    changed();
}

}  // namespace rv::standin
