#include "standin/view/im_views.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "standin/chat_html.h"

namespace rv::standin {

using namespace winapi;

namespace {
// A line edit that follows the model's text without moving the person's cursor needlessly.
void follow(QLineEdit* edit, const std::string& text) {
    if (edit->text().toStdString() != text) edit->setText(qs(text));
}
}  // namespace

SendImView::SendImView(Client& client, HWND window) : InnerView(client, window) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(heading(), 0, 0, 1, 2);
    m_to = new QLineEdit(this);
    m_text = new QLineEdit(this);
    m_text->setPlaceholderText("Your message; Enter sends it");
    grid->addWidget(new QLabel("To:", this), 1, 0);
    grid->addWidget(m_to, 1, 1);
    grid->addWidget(m_text, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout();
    auto* clear = new QPushButton("Clear", this);
    auto* send = new QPushButton("Send", this);
    auto* cancel = new QPushButton("Cancel", this);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(send);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(m_to, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (SendImWindow* m = model()) set_text(m->to_box(), t);
    });
    connect(m_text, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (SendImWindow* m = model()) set_text(m->text_box(), t);
    });
    connect(m_text, &QLineEdit::returnPressed, this, [this] {
        if (SendImWindow* m = model())
            m_client.desktop().SendMessageA(m->text_box(), WM_CHAR, VK_RETURN, 0);
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        if (SendImWindow* m = model()) click(m->clear_button());
    });
    connect(send, &QPushButton::clicked, this, [this] {
        if (SendImWindow* m = model()) click(m->send_button());
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (SendImWindow* m = model()) click(m->cancel_button());
    });
    setWindowTitle(SendImWindow::kTitle);
    resize(360, 170);
}

void SendImView::refresh() {
    if (SendImWindow* m = model()) {
        follow(m_to, m->to());
        follow(m_text, m->text());
    }
}

ImView::ImView(Client& client, HWND window) : InnerView(client, window) {
    auto* top = new QVBoxLayout(this);
    top->addWidget(heading());
    // As the room's view: one paragraph a line, no more lines than the conversation keeps.
    m_transcript = new QPlainTextEdit(this);
    m_transcript->setReadOnly(true);
    m_transcript->setMaximumBlockCount(static_cast<int>(ImWindow::kMaxLines));
    m_input = new QLineEdit(this);
    m_input->setPlaceholderText("Type here and press Enter");
    auto* row = new QHBoxLayout();
    auto* send = new QPushButton("Send", this);
    row->addWidget(m_input, 1);
    row->addWidget(send);
    top->addWidget(m_transcript, 1);
    top->addLayout(row);
    auto submit = [this] {
        ImWindow* m = model();
        if (!m) return;
        set_text(m->input(), m_input->text());
        m_input->clear();
        m_client.desktop().SendMessageA(m->input(), WM_CHAR, VK_RETURN, 0);
    };
    connect(m_input, &QLineEdit::returnPressed, this, submit);
    connect(send, &QPushButton::clicked, this, submit);
    resize(380, 260);
}

void ImView::refresh() {
    ImWindow* m = model();
    if (!m) return;
    setWindowTitle(qs(m_client.desktop().title(m_window)));
    // Lines are counted from the conversation's first; lines it let go before they were
    // drawn start the view anew from what it holds.
    const std::size_t first = m->dropped();
    if (m_shown < first) {
        m_shown = first;
        m_transcript->clear();
    }
    for (; m_shown < first + m->lines().size(); ++m_shown) {
        const ChatLine& line = m->lines()[m_shown - first];
        if (line.screen_name.empty())
            m_transcript->appendHtml("<i><font color=\"#707070\">" + qs(safe_html(line.html)) +
                                     "</font></i>");
        else
            m_transcript->appendHtml("<b>" + qs(line.screen_name).toHtmlEscaped() + ":</b>&nbsp;" +
                                     qs(safe_html(line.html)));
    }
}

MessageBoxView::MessageBoxView(Client& client, HWND window)
    : InnerView(client, window, Qt::Dialog) {
    auto* top = new QVBoxLayout(this);
    top->addWidget(heading());
    auto* text = new QLabel(
        qs(client.desktop().title(client.desktop().FindWindowExA(window, 0, "Static", nullptr))),
        this);
    text->setWordWrap(true);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    top->addWidget(text);
    top->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (auto* m = m_client.find<MessageBox>(m_window)) click(m->button());
    });
    setWindowTitle(MessageBox::kTitle);
    setMinimumWidth(300);
}

}  // namespace rv::standin
