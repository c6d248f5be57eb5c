#pragma once
#include "standin/view/inner_view.h"

class QListWidget;
class QPushButton;
class QTabBar;

namespace rv::standin {

// A mail list as rows: the letters that have arrived, the selection the model keeps.
void show_mail_list(QListWidget& rows, const MailList& list);

// The mailbox: its three tabs over the selected tab's list, and the Read and Delete buttons.
class MailboxView : public InnerView {
  public:
    MailboxView(Client& client, HWND window);
    void refresh() override;

  private:
    MailboxWindow* model() const { return m_client.find<MailboxWindow>(m_window); }
    QTabBar* m_tabs;
    QListWidget* m_rows;
};

// Recently deleted mail: the list, and the Restore and Permanently Delete buttons.
class DeletedMailView : public InnerView {
  public:
    DeletedMailView(Client& client, HWND window);
    void refresh() override;

  private:
    DeletedMailWindow* model() const { return m_client.find<DeletedMailWindow>(m_window); }
    QListWidget* m_rows;
};

}  // namespace rv::standin
