#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "platform/qt/rendezvous.h"

namespace rv::qt {

namespace {

// Each step of a request may take this long, the whole of it three times as long.
constexpr int kAnswerMs = 500;
constexpr qint64 kAnswerBytes = 16;
const QByteArray kRaise = "raise";
const char* const kNoHandOver = "; later starts will not hand over to this one";

bool same_user(const QLocalSocket& socket) {
    return peer_uid(static_cast<int>(socket.socketDescriptor())) == static_cast<long>(::geteuid());
}

void cut_off(QLocalSocket* client) {
    client->abort();
    client->deleteLater();
}

}  // namespace

struct SingleInstance::Impl {
    OnRequest on_request;
    int clients = 0;
    QLocalServer server;  // last: its clients go before the count they keep

    void take(QLocalSocket* client);
    void serve(QLocalSocket* client);
};

void SingleInstance::Impl::take(QLocalSocket* client) {
    // Another user's program is not heard at all, nor one more than a few at once.
    if (clients >= kMaxClients || !same_user(*client)) {
        cut_off(client);
        return;
    }
    ++clients;
    QObject::connect(client, &QObject::destroyed, &server, [this] { --clients; });
    // Qt reads no further than this; the rest waits in the system's small buffer.
    client->setReadBufferSize(static_cast<qint64>(kMaxRequestBytes));
    QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] { serve(client); });
    QTimer::singleShot(kClientMs, client, [client] { cut_off(client); });
}

void SingleInstance::Impl::serve(QLocalSocket* client) {
    if (!client->canReadLine()) {
        // A request that never ends is cut off once it is longer than any request.
        if (client->bytesAvailable() >= static_cast<qint64>(kMaxRequestBytes)) cut_off(client);
        return;
    }
    std::vector<std::string> files;
    const bool raise =
        parse_request(client->readLine(static_cast<qint64>(kMaxRequestBytes)).toStdString(), files);
    if (raise) {
        client->write("ok\n");
        client->flush();
    }
    client->disconnectFromServer();  // one request a connection
    if (raise && on_request) on_request(files);
}

std::string SingleInstance::request_line(const std::vector<std::string>& files) {
    QByteArray line = kRaise;
    for (const std::string& file : files) {
        // Blanks, line breaks and '%' are encoded: a word a file, one line in all.
        const QByteArray word =
            QByteArray::fromStdString(file).toPercentEncoding("/", QByteArray(), '%');
        if (word.isEmpty()) continue;
        if (static_cast<std::size_t>(line.size() + 1 + word.size() + 1) > kMaxRequestBytes) break;
        line += ' ' + word;
    }
    return (line + '\n').toStdString();
}

bool SingleInstance::parse_request(const std::string& line, std::vector<std::string>& files) {
    files.clear();
    const QList<QByteArray> words = QByteArray::fromStdString(line).trimmed().split(' ');
    if (words.isEmpty() || words.front() != kRaise) return false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QByteArray path = QByteArray::fromPercentEncoding(words[i]);
        // Only a whole path names the same file here as where it was typed.
        if (path.startsWith('/') && !path.contains('\0')) files.push_back(path.toStdString());
    }
    return true;
}

SingleInstance::SingleInstance() : m(std::make_unique<Impl>()) {}

SingleInstance::~SingleInstance() {
    m->server.close();
}

std::string SingleInstance::socket_path(std::string& why) {
    const std::string folder = private_runtime_folder(why);
    return folder.empty() ? "" : folder + "/ravelin.sock";
}

SingleInstance::Start SingleInstance::start(const std::vector<std::string>& files,
                                            OnRequest on_request, std::string& why) {
    const std::string path = socket_path(why);
    if (path.empty()) {
        why += kNoHandOver;
        return Start::Alone;
    }
    switch (ask_running_to_raise(path, files)) {
        case Answer::Raised:
            return Start::HandedOver;
        case Answer::Stranger:
            why = "another user's program answers at " + path + "; this one runs on its own";
            return Start::Alone;
        case Answer::Nobody:
            break;
    }
    if (listen(path, std::move(on_request), why)) return Start::Listening;
    why += kNoHandOver;
    return Start::Alone;
}

SingleInstance::Answer SingleInstance::ask_running_to_raise(const std::string& path,
                                                            const std::vector<std::string>& files) {
    if (what_is_at(path) != PathHolds::Socket) return Answer::Nobody;
    const QDeadlineTimer deadline(3 * kAnswerMs);
    auto step = [&deadline] {
        return static_cast<int>(std::min<qint64>(kAnswerMs, deadline.remainingTime()));
    };
    QLocalSocket socket;
    socket.setReadBufferSize(kAnswerBytes);
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(step())) return Answer::Nobody;
    if (!same_user(socket)) return Answer::Stranger;  // told nothing
    std::vector<std::string> absolute;
    for (const std::string& file : files) {
        std::error_code ec;
        std::string whole = std::filesystem::absolute(file, ec).string();
        if (!ec) absolute.push_back(std::move(whole));
    }
    socket.write(QByteArray::fromStdString(request_line(absolute)));
    if (!socket.waitForBytesWritten(step())) return Answer::Nobody;
    // The running program answers once it has taken the request.
    while (!socket.canReadLine() && socket.bytesAvailable() < kAnswerBytes &&
           socket.waitForReadyRead(step())) {
    }
    return socket.read(kAnswerBytes).startsWith("ok") ? Answer::Raised : Answer::Nobody;
}

bool SingleInstance::listen(const std::string& path, OnRequest on_request, std::string& why) {
    switch (what_is_at(path)) {
        case PathHolds::Other:
            why = path + " is not a socket; it is left as it is";
            return false;
        case PathHolds::Socket:
            // Nobody answered on it a moment ago, so the socket is a dead program's.
            ::unlink(path.c_str());
            break;
        case PathHolds::Nothing:
            break;
    }
    m->on_request = std::move(on_request);
    // No access option: with one, Qt makes the socket beside the path and renames it over
    // whatever stands there. The folder is this user's alone already.
    if (!m->server.listen(QString::fromStdString(path))) {
        why = path + ": " + m->server.errorString().toStdString();
        return false;
    }
    Impl* impl = m.get();
    QObject::connect(&m->server, &QLocalServer::newConnection, &m->server, [impl] {
        while (QLocalSocket* client = impl->server.nextPendingConnection()) impl->take(client);
    });
    return true;
}

}  // namespace rv::qt
