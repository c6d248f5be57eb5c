#pragma once
// The IRC link's byte stream over a Qt socket: plain TCP, or TLS checked against the
// system's certificate store (or, when asked, accepting any certificate), showing a client
// certificate of the user's when one is given.
#include <memory>
#include <string>

#include "standin/net/transport.h"

class QSslSocket;

namespace rv::standin::view {

class IrcSocket final : public net::Transport {
  public:
    // Bytes Qt may hold unread; the link reads everything at every wake-up anyway.
    static constexpr long long kReadBufferBytes = 64 * 1024;

    IrcSocket();
    ~IrcSocket() override;
    IrcSocket(const IrcSocket&) = delete;
    IrcSocket& operator=(const IrcSocket&) = delete;

    // False with a reason when `pem_file` does not hold a certificate and its private key
    // (as --chat-cert wants): checked before signing on rather than at every connection.
    static bool check_client_cert(const std::string& pem_file, std::string& why);

    void open(const net::Endpoint& where) override;
    void send(std::string_view bytes) override;
    void close() override;

  private:
    void report_closed(const std::string& reason);

    std::unique_ptr<QSslSocket> m_socket;
    bool m_open = false;
};

}  // namespace rv::standin::view
