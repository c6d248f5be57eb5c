#include "standin/view/irc_socket.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace rv::standin::view {

namespace {

struct Identity {
    QSslCertificate certificate;
    QSslKey key;
};

// The first certificate and the first private key of a PEM file (an unencrypted key: the
// program signs on unattended).
bool load_identity(const std::string& pem_file, Identity& out, std::string& why) {
    QFile file(QString::fromStdString(pem_file));
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString().toStdString();
        return false;
    }
    const QByteArray pem = file.read(1 << 20);
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (certificates.isEmpty() || certificates.first().isNull()) {
        why = "it holds no certificate";
        return false;
    }
    out.certificate = certificates.first();
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        out.key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!out.key.isNull()) return true;
    }
    why = "it holds no private key (or only one that needs a passphrase)";
    return false;
}

}  // namespace

IrcSocket::IrcSocket() = default;

bool IrcSocket::check_client_cert(const std::string& pem_file, std::string& why) {
    Identity identity;
    return load_identity(pem_file, identity, why);
}

IrcSocket::~IrcSocket() {
    m_open = false;
    if (!m_socket) return;
    m_socket->disconnect();
    m_socket->abort();
    m_socket.reset();  // with it goes any closing report still pending
}

void IrcSocket::open(const net::Endpoint& where) {
    close();
    m_socket = std::make_unique<QSslSocket>();
    QSslSocket* s = m_socket.get();
    s->setReadBufferSize(kReadBufferBytes);
    auto opened = [this] {
        m_open = true;
        if (on_open) on_open();
    };
    QObject::connect(s, where.tls ? &QSslSocket::encrypted : &QSslSocket::connected, s, opened);
    QObject::connect(s, &QSslSocket::readyRead, s, [this, s] {
        // Read in bounded steps: a handler may close the socket between them.
        while (m_socket.get() == s && s->bytesAvailable() > 0) {
            QByteArray bytes = s->read(kReadBufferBytes);
            if (on_data)
                on_data(
                    std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
    });
    QObject::connect(s, &QSslSocket::errorOccurred, s, [this, s](QAbstractSocket::SocketError) {
        report_closed(s->errorString().toStdString());
    });
    QObject::connect(s, &QSslSocket::disconnected, s,
                     [this] { report_closed("the server closed the connection"); });
    if (where.tls) {
        if (where.insecure) s->setPeerVerifyMode(QSslSocket::VerifyNone);
        if (!where.client_cert.empty()) {
            Identity identity;
            std::string why;
            if (!load_identity(where.client_cert, identity, why)) {
                // The file changed since it was checked: the server will not know us.
                report_closed("the client certificate " + where.client_cert + ": " + why);
                return;
            }
            s->setLocalCertificate(identity.certificate);
            s->setPrivateKey(identity.key);
        }
        s->connectToHostEncrypted(QString::fromStdString(where.host),
                                  static_cast<quint16>(where.port));
    } else {
        s->connectToHost(QString::fromStdString(where.host), static_cast<quint16>(where.port));
    }
}

void IrcSocket::send(std::string_view bytes) {
    if (!m_socket || !m_open) return;
    m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void IrcSocket::close() {
    m_open = false;
    if (!m_socket) return;
    // What was written and not yet handed to the system (a QUIT) goes out first, as far as
    // it can without waiting. The socket may be inside one of its own signals: it goes
    // quietly and is deleted later.
    m_socket->disconnect();
    if (m_socket->state() == QAbstractSocket::ConnectedState) m_socket->flush();
    m_socket->abort();
    m_socket.release()->deleteLater();
}

void IrcSocket::report_closed(const std::string& reason) {
    if (!m_socket) return;
    // Told from the next turn of the loop, never from inside open() or a send.
    QSslSocket* s = m_socket.get();
    s->disconnect();
    QTimer::singleShot(0, s, [this, s, reason] {
        if (m_socket.get() != s) return;
        m_open = false;
        m_socket.release()->deleteLater();
        if (on_closed) on_closed(reason);
    });
}

}  // namespace rv::standin::view
