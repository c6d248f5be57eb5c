#pragma once
#include "standin/view/inner_view.h"

class QLineEdit;
class QPlainTextEdit;

namespace rv::standin {

// Writing an instant message: the recipient, the text, and Clear, Send and Cancel.
class SendImView : public InnerView {
  public:
    SendImView(Client& client, HWND window);
    void refresh() override;

  private:
    SendImWindow* model() const { return m_client.find<SendImWindow>(m_window); }
    QLineEdit* m_to;
    QLineEdit* m_text;
};

// A conversation: what both wrote, and a box that sends on Enter.
class ImView : public InnerView {
  public:
    ImView(Client& client, HWND window);
    void refresh() override;

  private:
    ImWindow* model() const { return m_client.find<ImWindow>(m_window); }
    QPlainTextEdit* m_transcript;
    QLineEdit* m_input;
    std::size_t m_shown = 0;
};

// The client's message box: the message and OK.
class MessageBoxView : public InnerView {
  public:
    MessageBoxView(Client& client, HWND window);
    void refresh() override {}
};

}  // namespace rv::standin
