#pragma once
#include "standin/view/inner_view.h"

class QListWidget;

namespace rv::standin {

// A drop-down menu on screen: the entries, the model's highlight, the mouse choosing and the
// keys going to the menu window as key messages. Closing it by clicking elsewhere closes
// every menu.
class MenuPopup : public InnerView {
  public:
    MenuPopup(Client& client, HWND window);
    void refresh() override;
    // Where entry i is on the screen, for a submenu to open beside it.
    QRect entry_rect(int i) const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Menu* model() const { return m_client.find<Menu>(m_window); }
    QListWidget* m_entries;
};

}  // namespace rv::standin
