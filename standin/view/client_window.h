#pragma once
#include <QWidget>
#include <vector>

#include "standin/client.h"
#include "standin/view/elided_label.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QPlainTextEdit;
class QLabel;

namespace rv::standin {

// The stand-in chat client's main window as a person uses it: the toolbar (Mail, Read, IM,
// Chat and the address box), the room's transcript rendered from its chat HTML (safe subset
// only), an input box that sends on Enter, the people in the room, and a "say as" row that
// speaks for another chatter in the room or by instant message.
class ClientWindow : public QWidget {
  public:
    explicit ClientWindow(Client& client);
    // Follows the client's model: new lines, rooms, people, instant messages on or off.
    void refresh();
    // The on-screen button of a toolbar button, or null.
    QWidget* toolbar_button(HWND button) const;

  protected:
    // While the program runs the window only minimises.
    void closeEvent(QCloseEvent* event) override;

  private:
    QLayout* make_toolbar();
    QLayout* make_say_as();
    Room* current_room();
    void send_input();
    void say_as();
    void show_lines(Room* r);
    QLayout* make_network_bar();
    void sign_on_form();
    void join_channel();
    QString status_text(const Room& r) const;

    Client& m_client;
    std::vector<std::pair<HWND, QPushButton*>> m_buttons;
    QLineEdit* m_address;
    QComboBox* m_rooms;
    QPlainTextEdit* m_transcript;
    QLineEdit* m_input;
    QListWidget* m_people;
    QLineEdit* m_as_name;
    QLineEdit* m_as_text;
    QComboBox* m_as_where;
    ElidedLabel* m_status;
    Room* m_shown = nullptr;
    std::size_t m_shown_lines = 0;  // of all the shown room's lines, from its first
};

}  // namespace rv::standin
