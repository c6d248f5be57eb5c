#pragma once
#include <QWidget>

#include "standin/client.h"

namespace rv::standin {

// The on-screen form of one of the client's windows. It keeps only the window's handle and
// looks the model up at every refresh; a person's input goes to the model as the window
// messages a user's mouse and keys make.
class InnerView : public QWidget {
  public:
    InnerView(Client& client, HWND window, Qt::WindowFlags flags = Qt::Window);
    HWND window() const { return m_window; }
    // Follows the model, which exists.
    virtual void refresh() = 0;

  protected:
    // The window manager's close asks the model, which closes the window or not.
    void closeEvent(QCloseEvent* event) override;
    void click(HWND button);
    // A heading that names the window inside it, for screens whose windows have no title bar.
    QWidget* heading();
    void set_text(HWND box, const QString& text);

    Client& m_client;
    HWND m_window;
};

QString qs(const std::string& s);

}  // namespace rv::standin
