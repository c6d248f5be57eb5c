#pragma once
// The byte stream to an IRC server, as the link sees it. The real one is a Qt socket in the
// client's view; tests give a fake. All calls and callbacks run on the loop's thread.
#include <functional>
#include <string>
#include <string_view>

namespace rv::standin::net {

// Where to sign on: from "irc://HOST[:PORT]/#channel" or the sign-on form.
struct Endpoint {
    std::string host;
    int port = 6667;
    bool tls = false;
    bool insecure = false;    // accept a certificate the system's store does not vouch for
    std::string client_cert;  // a PEM file with our certificate and its key, shown over TLS
    std::string channel;      // the first room, "#name"
};

// False with a reason for anything but irc:// or ircs:// with a host, an optional port
// (1-65535; 6667 and 6697 by default) and an optional channel ("music" means "#music").
bool parse_chat_url(const std::string& url, Endpoint& out, std::string& error);

class Transport {
  public:
    virtual ~Transport() = default;
    // Starts connecting; later on_open, or on_closed with a reason.
    virtual void open(const Endpoint& where) = 0;
    // Queues bytes on an open connection; ignored when not open.
    virtual void send(std::string_view bytes) = 0;
    // Drops the connection at once. No on_closed follows a close asked for.
    virtual void close() = 0;

    std::function<void()> on_open;
    std::function<void(std::string_view bytes)> on_data;
    std::function<void(const std::string& reason)> on_closed;
};

}  // namespace rv::standin::net
