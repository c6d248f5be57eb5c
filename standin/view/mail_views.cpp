#include "standin/view/mail_views.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

namespace rv::standin {

using namespace winapi;

void show_mail_list(QListWidget& rows, const MailList& list) {
    const QSignalBlocker quiet(&rows);  // following the model is no choice of the person's
    const int n = static_cast<int>(list.count());
    while (rows.count() > n) delete rows.takeItem(rows.count() - 1);
    for (int i = 0; i < n; ++i) {
        const Mail& m = list.at(static_cast<std::size_t>(i));
        const QString text = qs(m.date) + "   " + qs(m.from) + "   " + qs(m.subject);
        if (i < rows.count())
            rows.item(i)->setText(text);
        else
            rows.addItem(text);
    }
    if (rows.currentRow() != list.selected()) rows.setCurrentRow(list.selected());
}

namespace {
QListWidget* make_rows(QWidget* parent, Client& client, std::function<HWND()> list_window) {
    auto* rows = new QListWidget(parent);
    QObject::connect(rows, &QListWidget::currentRowChanged, parent, [&client, list_window](int r) {
        HWND h = list_window();
        if (client.desktop().SendMessageA(h, LB_GETCURSEL, 0, 0) != r)
            client.desktop().SendMessageA(h, LB_SETCURSEL, static_cast<WPARAM>(r), 0);
    });
    return rows;
}
}  // namespace

MailboxView::MailboxView(Client& client, HWND window) : InnerView(client, window) {
    auto* top = new QVBoxLayout(this);
    top->addWidget(heading());
    m_tabs = new QTabBar(this);
    for (const char* title : MailboxWindow::kTabTitles) m_tabs->addTab(title);
    top->addWidget(m_tabs);
    m_rows = make_rows(this, client, [this] {
        MailboxWindow* m = model();
        return m ? m->list(m->tab()).window() : HWND{0};
    });
    top->addWidget(m_rows, 1);
    auto* buttons = new QHBoxLayout();
    auto* read = new QPushButton("Read", this);
    auto* del = new QPushButton("Delete", this);
    buttons->addWidget(read);
    buttons->addWidget(del);
    buttons->addStretch(1);
    top->addLayout(buttons);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int i) {
        MailboxWindow* m = model();
        if (m && m->tab() != i)
            m_client.desktop().SendMessageA(m->tab_control(), TCM_SETCURSEL, static_cast<WPARAM>(i),
                                            0);
    });
    connect(read, &QPushButton::clicked, this, [this] {
        if (MailboxWindow* m = model()) click(m->read_button());
    });
    connect(del, &QPushButton::clicked, this, [this] {
        if (MailboxWindow* m = model()) click(m->delete_button());
    });
    resize(460, 320);
}

void MailboxView::refresh() {
    MailboxWindow* m = model();
    if (!m) return;
    setWindowTitle(qs(m_client.desktop().title(m_window)));
    if (m_tabs->currentIndex() != m->tab()) m_tabs->setCurrentIndex(m->tab());
    show_mail_list(*m_rows, m->list(m->tab()));
}

DeletedMailView::DeletedMailView(Client& client, HWND window) : InnerView(client, window) {
    auto* top = new QVBoxLayout(this);
    top->addWidget(heading());
    top->addWidget(new QLabel(qs(client.desktop().title(client.desktop().FindWindowExA(
                                  window, 0, "_AOL_Static", nullptr))),
                              this));
    m_rows = make_rows(this, client, [this] {
        DeletedMailWindow* m = model();
        return m ? m->list().window() : HWND{0};
    });
    top->addWidget(m_rows, 1);
    auto* buttons = new QHBoxLayout();
    auto* restore = new QPushButton("Restore", this);
    auto* remove = new QPushButton("Permanently Delete", this);
    buttons->addWidget(restore);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    top->addLayout(buttons);
    connect(restore, &QPushButton::clicked, this, [this] {
        if (DeletedMailWindow* m = model()) click(m->restore_button());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (DeletedMailWindow* m = model()) click(m->remove_button());
    });
    resize(460, 280);
}

void DeletedMailView::refresh() {
    DeletedMailWindow* m = model();
    if (!m) return;
    setWindowTitle(qs(m_client.desktop().title(m_window)));
    show_mail_list(*m_rows, m->list());
}

}  // namespace rv::standin
