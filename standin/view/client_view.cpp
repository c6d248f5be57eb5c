#include "standin/view/client_view.h"

#include <QTimer>

#include "standin/client.h"
#include "standin/view/client_window.h"

namespace rv::standin {

struct ClientView::Impl {
    Impl(Client& c) : client(c), window(c) {
        // Changes come in bursts (a line, a list filling): draw them once they settle.
        flush.setSingleShot(true);
        flush.setInterval(15);
        QObject::connect(&flush, &QTimer::timeout, [this] { window.refresh(); });
        client.on_changed = [this] {
            if (!flush.isActive()) flush.start();
        };
    }
    ~Impl() { client.on_changed = nullptr; }

    Client& client;
    ClientWindow window;
    QTimer flush;
};

ClientView::ClientView(Client& client, int left_px, int top_px)
    : m(std::make_unique<Impl>(client)) {
    m->window.setGeometry(left_px, top_px, 560, 420);
    m->window.show();
}

ClientView::~ClientView() = default;

}  // namespace rv::standin
