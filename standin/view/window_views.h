#pragma once
#include <QPoint>
#include <map>
#include <memory>

#include "standin/view/inner_view.h"

namespace rv::standin {

class ClientWindow;

// One on-screen window per open window of the client other than its rooms: made when the
// window opens, dropped when it closes, raised when the client raises it.
class WindowViews {
  public:
    WindowViews(Client& client, ClientWindow& main);
    ~WindowViews();
    void refresh();
    // Every window on the screen to the front, restored if it was minimised; the client's
    // topmost inner window last, so it ends on top as in the client.
    void raise_all();
    std::size_t size() const { return m_views.size(); }

  private:
    std::unique_ptr<InnerView> make_view(Window& w);
    void place(InnerView& view, Window& w);

    Client& m_client;
    ClientWindow& m_main;
    std::map<HWND, std::unique_ptr<InnerView>> m_views;
    HWND m_top = 0;
    int m_cascade = 0;
};

}  // namespace rv::standin
