#pragma once
// The stand-in client on screen, following its model. No Qt type crosses this header; the Qt
// application must exist before a view is made.
#include <memory>

namespace rv::standin {

class Client;

class ClientView {
  public:
    // The client's main window at (left, top) in pixels.
    ClientView(Client& client, int left_px, int top_px);
    ~ClientView();
    ClientView(const ClientView&) = delete;
    ClientView& operator=(const ClientView&) = delete;

    // Brings the client's windows to the front, restored if they were minimised.
    void raise();

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::standin
