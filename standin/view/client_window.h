#pragma once
#include <QWidget>
#include <map>

#include "standin/client.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QTextEdit;
class QLabel;

namespace rv::standin {

// The stand-in chat client as a person uses it: the room's transcript rendered from its
// chat HTML (safe subset only), an input box that sends on Enter, the people in the room,
// a "say as" box for other chatters, and buttons for a second room or an instant message.
class ClientWindow : public QWidget {
  public:
    explicit ClientWindow(Client& client);
    // Follows the client's model: new lines, rooms, people.
    void refresh();

  private:
    Room* current_room();
    void send_input();
    void say_as();
    void sign_on_form();
    void join_channel();

    Client& m_client;
    QComboBox* m_rooms;
    QTextEdit* m_transcript;
    QLineEdit* m_input;
    QListWidget* m_people;
    QLineEdit* m_as_name;
    QLineEdit* m_as_text;
    QLabel* m_status;
    Room* m_shown = nullptr;
    std::size_t m_shown_lines = 0;
};

}  // namespace rv::standin
