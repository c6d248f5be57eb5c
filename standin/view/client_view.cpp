#include "standin/view/client_view.h"

#include <QTimer>

#include "standin/client.h"
#include "standin/view/client_window.h"
#include "standin/view/window_views.h"

namespace rv::standin {

struct ClientView::Impl {
    explicit Impl(Client& c) : client(c), window(c), views(c, window) {
        // Changes come in bursts (a line, a list filling): draw them once they settle.
        flush.setSingleShot(true);
        flush.setInterval(15);
        QObject::connect(&flush, &QTimer::timeout, [this] {
            window.refresh();
            views.refresh();
        });
        client.on_changed = [this] {
            if (!flush.isActive()) flush.start();
        };
    }
    ~Impl() { client.on_changed = nullptr; }

    Client& client;
    ClientWindow window;
    WindowViews views;
    QTimer flush;
};

ClientView::ClientView(Client& client, int left_px, int top_px)
    : m(std::make_unique<Impl>(client)) {
    m->window.setGeometry(left_px, top_px, 600, 440);
    m->window.show();
    m->views.refresh();
}

ClientView::~ClientView() = default;

void ClientView::raise() {
    if (m->window.isMinimized()) m->window.showNormal();
    m->window.raise();
    m->window.activateWindow();
    // Its own windows (instant messages, mailboxes) over it, as they stood.
    m->views.raise_all();
}

}  // namespace rv::standin
