#include "standin/view/client_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "standin/chat_html.h"

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
    if (!r) return;
    std::string name = m_as_name->text().toStdString();
    if (!m_client.say_as(*r, name, m_as_text->text().toStdString())) {
        m_status->setText("Nobody else may go by that name");
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
        QString html = "<b>" + QString::fromStdString(line.screen_name).toHtmlEscaped() +
                       ":</b>&nbsp;" + QString::fromStdString(safe_html(line.html));
        m_transcript->append(html);
    }
    if (at_end) sb->setValue(sb->maximum());
    m_people->clear();
    for (const auto& p : r->people()) m_people->addItem(QString::fromStdString(p));
    m_status->setText(QString("Signed on as %1 \u2014 %2 lines")
                          .arg(QString::fromStdString(m_client.screen_name()))
                          .arg(r->lines().size()));
}

}  // namespace rv::standin
