#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QString>
#include <cstdlib>

namespace rv::qt {

namespace {

constexpr int kAnswerMs = 500;
const QByteArray kRaise = "raise\n";

}  // namespace

struct SingleInstance::Impl {
    QLocalServer server;
    std::function<void()> on_raise;
};

SingleInstance::SingleInstance() : m(std::make_unique<Impl>()) {}

SingleInstance::~SingleInstance() {
    m->server.close();
}

std::string SingleInstance::socket_path() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/ravelin.sock";
    return "/tmp/ravelin-" + std::to_string(getuid()) + ".sock";
}

bool SingleInstance::ask_running_to_raise() {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socket_path()));
    if (!socket.waitForConnected(kAnswerMs)) return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(kAnswerMs)) return false;
    // The running program answers once it has taken the request.
    return socket.waitForReadyRead(kAnswerMs) && socket.readAll().startsWith("ok");
}

bool SingleInstance::listen(std::function<void()> on_raise) {
    m->on_raise = std::move(on_raise);
    const QString path = QString::fromStdString(socket_path());
    m->server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m->server.listen(path)) {
        // Nobody answered on it a moment ago, so the socket is a dead program's.
        QLocalServer::removeServer(path);
        if (!m->server.listen(path)) return false;
    }
    QObject::connect(&m->server, &QLocalServer::newConnection, [this] {
        while (QLocalSocket* client = m->server.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, [this, client] {
                if (!client->canReadLine() || client->readLine().trimmed() != "raise") return;
                client->write("ok\n");
                client->flush();
                if (m->on_raise) m->on_raise();
            });
        }
    });
    return true;
}

}  // namespace rv::qt
