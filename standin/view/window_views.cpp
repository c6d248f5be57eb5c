#include "standin/view/window_views.h"

#include "standin/view/client_window.h"
#include "standin/view/im_views.h"
#include "standin/view/mail_views.h"
#include "standin/view/menu_popup.h"

namespace rv::standin {

using namespace winapi;

WindowViews::WindowViews(Client& client, ClientWindow& main) : m_client(client), m_main(main) {}

WindowViews::~WindowViews() = default;

std::unique_ptr<InnerView> WindowViews::make_view(Window& w) {
    const HWND h = w.window();
    if (dynamic_cast<Menu*>(&w)) return std::make_unique<MenuPopup>(m_client, h);
    if (dynamic_cast<MailboxWindow*>(&w)) return std::make_unique<MailboxView>(m_client, h);
    if (dynamic_cast<DeletedMailWindow*>(&w)) return std::make_unique<DeletedMailView>(m_client, h);
    if (dynamic_cast<SendImWindow*>(&w)) return std::make_unique<SendImView>(m_client, h);
    if (dynamic_cast<ImWindow*>(&w)) return std::make_unique<ImView>(m_client, h);
    if (dynamic_cast<MessageBox*>(&w)) return std::make_unique<MessageBoxView>(m_client, h);
    return nullptr;
}

void WindowViews::place(InnerView& view, Window& w) {
    const QRect main = m_main.frameGeometry();
    if (auto* menu = dynamic_cast<Menu*>(&w)) {
        // Below its toolbar button, or beside the entry of the menu it opens from.
        if (Menu* parent = menu->parent()) {
            auto it = m_views.find(parent->window());
            if (it != m_views.end()) {
                const QRect entry =
                    static_cast<MenuPopup&>(*it->second).entry_rect(parent->highlighted());
                view.move(it->second->geometry().right() + 1, entry.top());
            }
        } else if (QWidget* b = m_main.toolbar_button(menu->anchor())) {
            view.move(b->mapToGlobal(QPoint(0, b->height())));
        }
        return;
    }
    if (dynamic_cast<MessageBox*>(&w)) {
        view.adjustSize();
        view.move(main.center() - QPoint(view.width() / 2, view.height() / 2));
        return;
    }
    // Inner windows cascade over the client's window.
    const int step = 28 * (m_cascade++ % 8);
    view.move(main.left() + 40 + step, main.top() + 70 + step);
}

void WindowViews::refresh() {
    for (const auto& w : m_client.windows()) {
        const HWND h = w->window();
        if (h == 0 || m_views.count(h)) continue;
        std::unique_ptr<InnerView> view = make_view(*w);
        if (!view) continue;
        place(*view, *w);
        view->refresh();
        view->show();
        m_views.emplace(h, std::move(view));
    }
    for (auto it = m_views.begin(); it != m_views.end();)
        if (m_client.find<Window>(it->first) == nullptr)
            it = m_views.erase(it);
        else
            (it++)->second->refresh();
    // The client raised an inner window: so does the screen.
    const HWND top = m_client.desktop().GetWindow(
        m_client.desktop().GetWindow(m_client.mdi(), GW_CHILD), GW_HWNDFIRST);
    if (top != m_top) {
        m_top = top;
        auto it = m_views.find(top);
        if (it != m_views.end()) it->second->raise();
    }
}

void WindowViews::raise_all() {
    InnerView* top = nullptr;
    for (auto& [h, view] : m_views) {
        if (!view->isVisible()) continue;
        if (view->isMinimized()) view->showNormal();
        if (h == m_top)
            top = view.get();
        else
            view->raise();
    }
    if (top) top->raise();
}

}  // namespace rv::standin
