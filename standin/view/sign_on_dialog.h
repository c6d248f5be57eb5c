#pragma once
// The client's sign-on form: server, port, TLS, nick and channel, then the network signs on.
#include <QDialog>

#include "standin/net/transport.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace rv::standin {

class SignOnDialog : public QDialog {
  public:
    SignOnDialog(QWidget* parent, const std::string& nick);
    // What the form holds, as the link takes it; false with a reason when incomplete.
    bool endpoint(net::Endpoint& out, std::string& error) const;
    std::string nick() const;
    std::string password() const;

  private:
    QLineEdit* m_server;
    QSpinBox* m_port;
    QCheckBox* m_tls;
    QCheckBox* m_insecure;
    QLineEdit* m_nick;
    QLineEdit* m_channel;
    QLineEdit* m_password;
};

}  // namespace rv::standin
