#include "standin/view/menu_popup.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QSignalBlocker>

namespace rv::standin {

using namespace winapi;

MenuPopup::MenuPopup(Client& client, HWND window) : InnerView(client, window, Qt::Popup) {
    m_entries = new QListWidget(this);
    m_entries->setFocusPolicy(Qt::NoFocus);  // keys go to the menu, not the list
    m_entries->setMouseTracking(true);
    m_entries->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_entries->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (Menu* m = model())
        for (const MenuItem& item : m->items()) {
            auto* row =
                new QListWidgetItem(qs(item.text) + (item.submenu.empty() ? "" : "   \u25B8"));
            if (item.submenu.empty() && !item.action) row->setForeground(Qt::gray);
            m_entries->addItem(row);
        }
    connect(m_entries, &QListWidget::itemEntered, this, [this](QListWidgetItem* item) {
        if (Menu* m = model()) m->hover(m_entries->row(item));
    });
    connect(m_entries, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (Menu* m = model()) m->choose(m_entries->row(item));
    });
    const QSize size(
        200, m_entries->count() * m_entries->sizeHintForRow(0) + 2 * m_entries->frameWidth());
    m_entries->setGeometry(QRect(QPoint(0, 0), size));
    setFixedSize(size);
}

void MenuPopup::refresh() {
    Menu* m = model();
    if (!m) return;
    const QSignalBlocker quiet(m_entries);
    m_entries->setCurrentRow(m->highlighted());
}

QRect MenuPopup::entry_rect(int i) const {
    const QRect r = m_entries->visualItemRect(m_entries->item(i));
    return QRect(m_entries->viewport()->mapToGlobal(r.topLeft()), r.size());
}

void MenuPopup::keyPressEvent(QKeyEvent* event) {
    static const struct {
        int qt;
        WPARAM vk;
    } keys[] = {{Qt::Key_Down, VK_DOWN},     {Qt::Key_Up, VK_UP},
                {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
                {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Left, VK_LEFT},
                {Qt::Key_Right, VK_RIGHT}};
    for (const auto& k : keys)
        if (event->key() == k.qt) {
            m_client.desktop().SendMessageA(m_window, WM_KEYDOWN, k.vk, 0);
            m_client.desktop().SendMessageA(m_window, WM_KEYUP, k.vk, 0);
            return;
        }
}

void MenuPopup::hideEvent(QHideEvent* event) {
    InnerView::hideEvent(event);
    // Qt hides a popup on a click elsewhere: the menus close, as they do in the client.
    if (model()) m_client.close_menus();
}

}  // namespace rv::standin
