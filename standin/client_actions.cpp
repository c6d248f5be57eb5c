// The client's mail, menus and instant messages: what its windows ask of it.
#include <strings.h>

#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

namespace {
const char* const kImOn = "$IM_ON";
const char* const kImOff = "$IM_OFF";
}  // namespace

MailboxWindow& Client::open_mailbox(int tab) {
    for (const auto& w : m_windows)
        if (auto* box = dynamic_cast<MailboxWindow*>(w.get())) {
            m_desktop.BringWindowToTop(box->window());
            box->select_tab(tab);
            return *box;
        }
    return add<MailboxWindow>(mdi(), tab);
}

DeletedMailWindow& Client::open_deleted_mail() {
    for (const auto& w : m_windows)
        if (auto* box = dynamic_cast<DeletedMailWindow*>(w.get())) {
            m_desktop.BringWindowToTop(box->window());
            changed();
            return *box;
        }
    return add<DeletedMailWindow>(mdi());
}

void Client::move_mail(std::uint32_t id, Box to) {
    if (m_mail.move(id, to)) mail_changed();
}

void Client::remove_mail(std::uint32_t id) {
    if (m_mail.remove(id)) mail_changed();
}

void Client::mail_changed() {
    for (const auto& w : m_windows) {
        if (auto* box = dynamic_cast<MailboxWindow*>(w.get())) box->mail_changed();
        if (auto* del = dynamic_cast<DeletedMailWindow*>(w.get())) del->mail_changed();
    }
}

std::vector<MenuItem> Client::mail_menu_items() {
    auto mailbox = [this](int tab) { return [this, tab] { open_mailbox(tab); }; };
    auto check = [this] {
        const std::size_t n = m_mail.in(Box::New).size();
        message_box(n == 0   ? std::string("You have no new mail.")
                    : n == 1 ? std::string("You have 1 new letter.")
                             : "You have " + std::to_string(n) + " new letters.");
    };
    return {
        {"Read Mail", mailbox(MailboxWindow::kNew), {}},
        {"Mailboxes",
         {},
         {{"New Mail", mailbox(MailboxWindow::kNew), {}},
          {"Old Mail", mailbox(MailboxWindow::kOld), {}},
          {"Sent Mail", mailbox(MailboxWindow::kSent), {}}}},
        {"Check Mail", check, {}},
        {"Write Mail", {}, {}},
        {"Address Book", {}, {}},
        {"Mail Preferences", {}, {}},
        {"Recently Deleted Mail", [this] { open_deleted_mail(); }, {}},
    };
}

Menu& Client::open_mail_menu() {
    close_menus();
    return add<Menu>(mail_menu_items(), m_toolbar->button(Toolbar::kMail));
}

Menu& Client::open_submenu(const std::vector<MenuItem>& items, Menu& parent) {
    return add<Menu>(items, parent.window(), &parent);
}

void Client::close_menus() {
    std::vector<Menu*> open;
    for (const auto& w : m_windows)
        if (auto* m = dynamic_cast<Menu*>(w.get())) open.push_back(m);
    // Innermost first, so that no menu is closed twice through its parent.
    for (auto it = open.rbegin(); it != open.rend(); ++it) (*it)->close();
}

SendImWindow& Client::open_send_im(const std::string& to) {
    return add<SendImWindow>(mdi(), to);
}

void Client::send_im(SendImWindow& window) {
    const std::string to = clean_name(window.to());
    if (strcasecmp(to.c_str(), kImOn) == 0 || strcasecmp(to.c_str(), kImOff) == 0) {
        const bool on = strcasecmp(to.c_str(), kImOn) == 0;
        if (m_ims_on && !on) ++m_ims_off_spells;
        m_ims_on = on;
        changed();
        message_box(m_ims_on ? "Instant messages are now on: people can message you."
                             : "Instant messages are now off: nobody can message you.");
        return;
    }
    if (to.empty()) {
        message_box("Please type the screen name of the person to send this message to.");
        return;
    }
    if (strcasecmp(to.c_str(), m_screen_name.c_str()) == 0) {
        message_box("You cannot send an instant message to yourself.");
        return;
    }
    if (!m_ims_on) {
        message_box("Your instant messages are off. Send one to $IM_ON to turn them on.");
        return;
    }
    if (is_blank(window.text())) return;  // nothing to send
    const std::string text = window.text();
    if (auto* im = find<ImWindow>(open_clean_im(to, network_address(window.to(), to))))
        im->add_line(m_screen_name, text, true);
    window.close();
}

bool Client::im_from(const std::string& name, const std::string& text, const std::string& address) {
    if (!name_allowed(name) || !m_ims_on) return false;
    const std::string clean = clean_name(name);
    auto* im = find<ImWindow>(
        open_clean_im(clean, address.empty() ? network_address(name, clean) : address));
    if (!im) return false;
    im->add_line(clean, text, false);
    return true;
}

MessageBox& Client::message_box(const std::string& text) {
    return add<MessageBox>(text);
}

}  // namespace rv::standin
