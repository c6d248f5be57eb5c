#include "standin/view/client_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "standin/chat_html.h"
#include "standin/chat_network.h"
#include "standin/view/sign_on_dialog.h"

namespace rv::standin {

using namespace winapi;

namespace {
QString qstr(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

ClientWindow::ClientWindow(Client& client) : m_client(client) {
    setWindowTitle("Chat Client - " + qstr(client.screen_name()));
    auto* top = new QVBoxLayout(this);
    top->addLayout(make_toolbar());
    auto* bar = new QHBoxLayout();
    m_rooms = new QComboBox(this);
    bar->addWidget(new QLabel("Room:", this));
    bar->addWidget(m_rooms, 1);
    top->addLayout(bar);
    if (m_client.network()) top->addLayout(make_network_bar());

    auto* middle = new QHBoxLayout();
    // A plain text view takes the chat's character formats and lets its oldest lines go
    // cheaply, one paragraph a line: it keeps no more lines than the room does.
    m_transcript = new QPlainTextEdit(this);
    m_transcript->setReadOnly(true);
    m_transcript->setMaximumBlockCount(static_cast<int>(Room::kMaxLines));
    m_people = new QListWidget(this);
    m_people->setMaximumWidth(130);
    middle->addWidget(m_transcript, 1);
    middle->addWidget(m_people);
    top->addLayout(middle, 1);

    m_input = new QLineEdit(this);
    m_input->setPlaceholderText("Type here and press Enter");
    top->addWidget(m_input);
    top->addLayout(make_say_as());
    m_status = new ElidedLabel(this);
    top->addWidget(m_status);

    connect(m_input, &QLineEdit::returnPressed, this, [this] { send_input(); });
    connect(m_rooms, &QComboBox::activated, this, [this](int i) {
        if (i >= 0 && i < static_cast<int>(m_client.rooms().size())) {
            Room& r = *m_client.rooms()[static_cast<std::size_t>(i)];
            if (r.window()) m_client.desktop().BringWindowToTop(r.window());
            refresh();
        }
    });
    refresh();
}

QLayout* ClientWindow::make_toolbar() {
    auto* row = new QHBoxLayout();
    Desktop& d = m_client.desktop();
    for (int i = 0; i < Toolbar::kButtons; ++i) {
        const HWND h = m_client.toolbar().button(i);
        auto* b = new QPushButton(qstr(d.title(h)), this);
        m_buttons.emplace_back(h, b);
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [&d, h] {
            d.SendMessageA(h, WM_LBUTTONDOWN, 0, 0);
            d.SendMessageA(h, WM_LBUTTONUP, 0, 0);
        });
    }
    m_address = new QLineEdit(this);
    m_address->setPlaceholderText("Keyword or link, then Enter");
    row->addWidget(m_address, 1);
    connect(m_address, &QLineEdit::returnPressed, this, [this, &d] {
        const std::string text = m_address->text().toStdString();
        const HWND box = m_client.toolbar().address_box();
        d.SendMessageA(box, WM_SETTEXT, 0, text_param(text.c_str()));
        d.SendMessageA(box, WM_CHAR, VK_RETURN, 0);
    });
    return row;
}

QLayout* ClientWindow::make_say_as() {
    auto* as = new QHBoxLayout();
    m_as_name = new QLineEdit(this);
    m_as_name->setPlaceholderText("say as (name)");
    m_as_name->setMaximumWidth(120);
    m_as_where = new QComboBox(this);
    m_as_where->addItems({"in the room", "by instant message"});
    m_as_text = new QLineEdit(this);
    m_as_text->setPlaceholderText("what they say, Enter to send");
    as->addWidget(m_as_name);
    as->addWidget(m_as_where);
    as->addWidget(m_as_text, 1);
    connect(m_as_text, &QLineEdit::returnPressed, this, [this] { say_as(); });
    return as;
}

QLayout* ClientWindow::make_network_bar() {
    auto* row = new QHBoxLayout();
    auto* sign_on = new QPushButton("Sign on...", this);
    auto* join = new QPushButton("Join channel...", this);
    row->addWidget(sign_on);
    row->addWidget(join);
    row->addStretch(1);
    connect(sign_on, &QPushButton::clicked, this, [this] { sign_on_form(); });
    connect(join, &QPushButton::clicked, this, [this] { join_channel(); });
    return row;
}

void ClientWindow::sign_on_form() {
    SignOnDialog form(this, m_client.screen_name());
    if (form.exec() != QDialog::Accepted || !m_client.network()) return;
    net::Endpoint endpoint;
    std::string error;
    if (!form.endpoint(endpoint, error)) {
        QMessageBox::warning(this, "Sign on", qstr(error));
        return;
    }
    if (!form.nick().empty()) m_client.set_screen_name(form.nick());
    m_client.network()->start(endpoint, form.password());
    refresh();
}

void ClientWindow::join_channel() {
    bool ok = false;
    QString name = QInputDialog::getText(this, "Join channel",
                                         "Channel (a new room):", QLineEdit::Normal, "#", &ok);
    if (!ok || !m_client.network()) return;
    if (!m_client.network()->join(name.trimmed().toStdString()))
        QMessageBox::warning(this, "Join channel", "That is not a channel name.");
    refresh();
}

QWidget* ClientWindow::toolbar_button(HWND button) const {
    for (const auto& [h, b] : m_buttons)
        if (h == button) return b;
    return nullptr;
}

Room* ClientWindow::current_room() {
    return m_client.top_room();
}

void ClientWindow::send_input() {
    Room* r = current_room();
    if (!r) return;
    std::string text = m_input->text().toStdString();
    m_input->clear();
    m_client.user_send(*r, text);
}

void ClientWindow::say_as() {
    const std::string name = m_as_name->text().toStdString();
    const std::string text = m_as_text->text().toStdString();
    bool said = false;
    if (m_as_where->currentIndex() == 1) {
        said = m_client.im_from(name, text);
        if (!said && m_client.name_allowed(name)) {
            m_status->set_full_text("Your instant messages are off");
            return;
        }
    } else if (Room* r = current_room()) {
        said = m_client.say_as(*r, name, text);
    } else {
        return;
    }
    if (!said) {
        m_status->set_full_text("Nobody else may go by that name");
        return;
    }
    m_as_text->clear();
}

void ClientWindow::closeEvent(QCloseEvent* event) {
    // The player talks through this window: closing it would leave it talking to nobody.
    event->ignore();
    showMinimized();
}

void ClientWindow::refresh() {
    Room* r = current_room();
    if (m_rooms->count() != static_cast<int>(m_client.rooms().size())) {
        m_rooms->clear();
        for (const auto& room : m_client.rooms()) m_rooms->addItem(qstr(room->name()));
    }
    for (std::size_t i = 0; i < m_client.rooms().size(); ++i)
        if (m_client.rooms()[i].get() == r) m_rooms->setCurrentIndex(static_cast<int>(i));
    // The network may have renamed the user.
    setWindowTitle("Chat Client - " + qstr(m_client.screen_name()));
    const QString ims = m_client.ims_on() ? "instant messages on" : "instant messages off";
    if (!r) {
        m_status->set_full_text("No chat room open \u2014 " + ims);
        return;
    }
    show_lines(r);
    m_people->clear();
    for (const auto& p : r->people()) m_people->addItem(qstr(p));
    m_status->set_full_text(status_text(*r));
}

QString ClientWindow::status_text(const Room& r) const {
    const QString ims = m_client.ims_on() ? "instant messages on" : "instant messages off";
    const ChatNetwork* net = m_client.network();
    return QString("Signed on as %1 \u2014 %2 lines \u2014 %3%4")
        .arg(qstr(m_client.screen_name()))
        .arg(r.lines().size())
        .arg(ims)
        .arg(net && net->started() ? " \u2014 " + qstr(net->status()) : QString());
}

void ClientWindow::show_lines(Room* r) {
    // Lines are counted from the room's first ever. Another room, or lines the room let go
    // before they were drawn, start the view anew from what the room holds, so it never shows
    // a gap.
    const std::size_t first = r->dropped();
    if (r != m_shown || m_shown_lines < first) {
        m_shown = r;
        m_shown_lines = first;
        m_transcript->clear();
    }
    // New lines only: the transcript may be long.
    QScrollBar* sb = m_transcript->verticalScrollBar();
    const bool at_end = sb->value() == sb->maximum();
    for (; m_shown_lines < first + r->lines().size(); ++m_shown_lines) {
        const ChatLine& line = r->lines()[m_shown_lines - first];
        // A line without an author is the network's: shown apart from the chat.
        if (line.screen_name.empty())
            m_transcript->appendHtml("<i><font color=\"#707070\">" + qstr(safe_html(line.html)) +
                                     "</font></i>");
        else
            m_transcript->appendHtml("<b>" + qstr(line.screen_name).toHtmlEscaped() +
                                     ":</b>&nbsp;" + qstr(safe_html(line.html)));
    }
    if (at_end) sb->setValue(sb->maximum());
}

}  // namespace rv::standin
