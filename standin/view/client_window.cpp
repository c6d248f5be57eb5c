#include "standin/view/client_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "standin/chat_html.h"
#include "standin/chat_network.h"
#include "standin/view/sign_on_dialog.h"

namespace rv::standin {

ClientWindow::ClientWindow(Client& client) : m_client(client) {
    setWindowTitle("Chat Client - " + QString::fromStdString(client.screen_name()));
    auto* top = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout();
    m_rooms = new QComboBox(this);
    auto* new_room = new QPushButton("New room", this);
    auto* new_im = new QPushButton("IM window", this);
    bar->addWidget(new QLabel("Room:", this));
    bar->addWidget(m_rooms, 1);
    bar->addWidget(new_room);
    bar->addWidget(new_im);
    top->addLayout(bar);
    if (m_client.network()) {
        auto* net_bar = new QHBoxLayout();
        auto* sign_on = new QPushButton("Sign on...", this);
        auto* join = new QPushButton("Join channel...", this);
        net_bar->addWidget(sign_on);
        net_bar->addWidget(join);
        net_bar->addStretch(1);
        top->addLayout(net_bar);
        connect(sign_on, &QPushButton::clicked, this, [this] { sign_on_form(); });
        connect(join, &QPushButton::clicked, this, [this] { join_channel(); });
    }

    auto* middle = new QHBoxLayout();
    m_transcript = new QTextEdit(this);
    m_transcript->setReadOnly(true);
    m_transcript->setAcceptRichText(true);
    m_people = new QListWidget(this);
    m_people->setMaximumWidth(130);
    middle->addWidget(m_transcript, 1);
    middle->addWidget(m_people);
    top->addLayout(middle, 1);

    m_input = new QLineEdit(this);
    m_input->setPlaceholderText("Type here and press Enter");
    top->addWidget(m_input);

    auto* as = new QHBoxLayout();
    m_as_name = new QLineEdit(this);
    m_as_name->setPlaceholderText("say as (name)");
    m_as_name->setMaximumWidth(120);
    m_as_text = new QLineEdit(this);
    m_as_text->setPlaceholderText("what they say, Enter to send");
    as->addWidget(m_as_name);
    as->addWidget(m_as_text, 1);
    top->addLayout(as);
    m_status = new QLabel(this);
    top->addWidget(m_status);

    connect(m_input, &QLineEdit::returnPressed, this, [this] { send_input(); });
    connect(m_as_text, &QLineEdit::returnPressed, this, [this] { say_as(); });
    connect(new_room, &QPushButton::clicked, this,
            [this] { m_client.open_room("Room " + std::to_string(m_client.rooms().size() + 1)); });
    connect(new_im, &QPushButton::clicked, this, [this] { m_client.open_im("Buddy"); });
    connect(m_rooms, &QComboBox::activated, this, [this](int i) {
        if (i >= 0 && i < static_cast<int>(m_client.rooms().size())) {
            Room& r = *m_client.rooms()[static_cast<std::size_t>(i)];
            if (r.window()) m_client.desktop().BringWindowToTop(r.window());
            refresh();
        }
    });
    refresh();
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
    Room* r = current_room();
    std::string name = m_as_name->text().toStdString();
    if (!r || Client::clean_name(name).empty()) return;
    m_client.say_as(*r, name, m_as_text->text().toStdString());
    m_as_text->clear();
}

void ClientWindow::sign_on_form() {
    SignOnDialog form(this, m_client.screen_name());
    if (form.exec() != QDialog::Accepted || !m_client.network()) return;
    net::Endpoint endpoint;
    std::string error;
    if (!form.endpoint(endpoint, error)) {
        QMessageBox::warning(this, "Sign on", QString::fromStdString(error));
        return;
    }
    if (!form.nick().empty()) m_client.set_screen_name(form.nick());
    m_client.network()->start(endpoint, form.password());
    refresh();
}

void ClientWindow::join_channel() {
    bool ok = false;
    QString name = QInputDialog::getText(this, "Join channel", "Channel (a new room):",
                                         QLineEdit::Normal, "#", &ok);
    if (!ok || !m_client.network()) return;
    if (!m_client.network()->join(name.trimmed().toStdString()))
        QMessageBox::warning(this, "Join channel", "That is not a channel name.");
    refresh();
}

void ClientWindow::refresh() {
    Room* r = current_room();
    // The room list.
    if (m_rooms->count() != static_cast<int>(m_client.rooms().size())) {
        m_rooms->clear();
        for (const auto& room : m_client.rooms())
            m_rooms->addItem(QString::fromStdString(room->name()));
    }
    for (std::size_t i = 0; i < m_client.rooms().size(); ++i)
        if (m_client.rooms()[i].get() == r) m_rooms->setCurrentIndex(static_cast<int>(i));
    if (r != m_shown) {
        m_shown = r;
        m_shown_lines = 0;
        m_transcript->clear();
    }
    if (!r) {
        m_status->setText("No chat room open");
        return;
    }
    // New lines only: the transcript may be long.
    QScrollBar* sb = m_transcript->verticalScrollBar();
    bool at_end = sb->value() == sb->maximum();
    for (; m_shown_lines < r->lines().size(); ++m_shown_lines) {
        const ChatLine& line = r->lines()[m_shown_lines];
        // A line without an author is the network's: shown apart from the chat.
        QString html = line.screen_name.empty()
                           ? "<i><font color=\"#707070\">" +
                                 QString::fromStdString(safe_html(line.html)) + "</font></i>"
                           : "<b>" + QString::fromStdString(line.screen_name).toHtmlEscaped() +
                                 ":</b>&nbsp;" + QString::fromStdString(safe_html(line.html));
        m_transcript->append(html);
    }
    if (at_end) sb->setValue(sb->maximum());
    m_people->clear();
    for (const auto& p : r->people()) m_people->addItem(QString::fromStdString(p));
    setWindowTitle("Chat Client - " + QString::fromStdString(m_client.screen_name()));
    m_status->setText(QString("Signed on as %1 \u2014 %2 lines%3")
                          .arg(QString::fromStdString(m_client.screen_name()))
                          .arg(r->lines().size())
                          .arg(m_client.network() && m_client.network()->started()
                                   ? " \u2014 " + QString::fromStdString(m_client.network()->status())
                                   : QString()));
}

}  // namespace rv::standin
