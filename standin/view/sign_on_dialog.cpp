#include "standin/view/sign_on_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <cstdlib>

namespace rv::standin {

SignOnDialog::SignOnDialog(QWidget* parent, const std::string& nick) : QDialog(parent) {
    setWindowTitle("Sign on");
    auto* form = new QFormLayout(this);
    m_server = new QLineEdit("127.0.0.1", this);
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(6667);
    m_tls = new QCheckBox("TLS (ircs)", this);
    m_insecure = new QCheckBox("accept a certificate the system does not trust", this);
    m_insecure->setEnabled(false);
    m_nick = new QLineEdit(QString::fromStdString(nick), this);
    m_channel = new QLineEdit("#music", this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    if (const char* p = std::getenv("RAVELIN_IRC_PASSWORD")) m_password->setText(p);
    form->addRow("Server", m_server);
    form->addRow("Port", m_port);
    form->addRow("", m_tls);
    form->addRow("", m_insecure);
    form->addRow("Nick", m_nick);
    form->addRow("Channel", m_channel);
    form->addRow("Password", m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tls, &QCheckBox::toggled, this, [this](bool on) {
        m_insecure->setEnabled(on);
        if (m_port->value() == (on ? 6667 : 6697)) m_port->setValue(on ? 6697 : 6667);
    });
}

bool SignOnDialog::endpoint(net::Endpoint& out, std::string& error) const {
    std::string url =
        (m_tls->isChecked() ? "ircs://" : "irc://") + m_server->text().trimmed().toStdString() +
        ":" + std::to_string(m_port->value()) + "/" + m_channel->text().trimmed().toStdString();
    if (!net::parse_chat_url(url, out, error)) return false;
    out.insecure = m_tls->isChecked() && m_insecure->isChecked();
    return true;
}

std::string SignOnDialog::nick() const {
    return m_nick->text().trimmed().toStdString();
}

std::string SignOnDialog::password() const {
    return m_password->text().toStdString();
}

}  // namespace rv::standin
