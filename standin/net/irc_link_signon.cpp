// Signing on: the protocol extensions the link can use, signing in to an account with SASL
// (EXTERNAL with a client certificate, PLAIN with a password), and the refusals that end a
// sign-on for good (a wrong password is not tried again and again: the server would only
// refuse it again).
#include <algorithm>
#include <string>
#include <vector>

#include "standin/net/irc_channel.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"

namespace rv::standin::net {

namespace {

// What the link asks for when offered, in this order. server-time and message-tags only
// make the server's lines carry tags, which the reader sets aside; echo-message returns our
// own lines, which are in the room already and are not taken twice; multi-prefix gives
// every status of a member, which the names list strips; away-notify's news is not shown.
const char* const kWanted[] = {"multi-prefix", "server-time", "message-tags", "echo-message",
                               "away-notify"};

// A SASL payload goes in pieces of this many characters.
constexpr std::size_t kSaslPiece = 400;

std::string plain(const std::string& irc_text) {
    return strip_irc_codes(repair_utf8(irc_text));
}

std::string base64(std::string_view bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

std::vector<std::string> words(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(' ', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

bool loopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace

bool IrcLink::may_send_password() const {
    return m_server.tls || loopback(m_server.host);
}

void IrcLink::on_cap(const IrcMessage& m) {
    if (m.params.size() < 3) return;
    const std::string& sub = m.params[1];
    if (sub == "LS" && m_caps_open) {
        m_cap_offer += " " + m.params.back();
        // "CAP * LS * :..." says more lines follow.
        if (m.params.size() < 4 || m.params[2] != "*") request_caps();
    } else if (sub == "ACK" && m_caps_open) {
        bool sasl = false;
        for (const std::string& cap : words(m.params.back())) {
            if (cap.empty() || cap[0] == '-') continue;
            if (cap == "sasl") sasl = true;
            m_caps.push_back(cap);
        }
        if (sasl && !m_sasl_mechanism.empty()) {
            send_now("AUTHENTICATE " + m_sasl_mechanism);
        } else {
            end_caps();
        }
    } else if (sub == "NAK" && m_caps_open) {
        end_caps();
    } else if (sub == "DEL") {
        for (const std::string& cap : words(m.params.back())) std::erase(m_caps, cap);
    }
}

// The way to sign in to the account on this connection, given the mechanisms the server
// names ("": it names none, any may do); "" when there is none.
std::string IrcLink::sasl_mechanism(const std::string& offered_values) {
    const auto offers = [&](const std::string& mechanism) {
        return offered_values.empty() ||
               ("," + offered_values + ",").find("," + mechanism + ",") != std::string::npos;
    };
    // A certificate is shown only in the TLS handshake: without TLS it proves nothing.
    if (!m_server.client_cert.empty() && m_server.tls && offers("EXTERNAL")) return "EXTERNAL";
    if (m_password.empty() || !offers("PLAIN")) return "";
    if (may_send_password()) return "PLAIN";
    tell_rooms("Not signing in as " + m_account + " on " + m_server.host +
               ": the password would cross the network unencrypted (use ircs://).");
    return "";
}

void IrcLink::request_caps() {
    std::vector<std::string> offered;
    std::string sasl_values;
    bool sasl_offered = false;
    for (const std::string& offer : words(m_cap_offer)) {
        offered.push_back(offer.substr(0, offer.find('=')));
        if (offered.back() == "sasl") {
            sasl_offered = true;
            sasl_values = offer.size() > 5 ? offer.substr(5) : "";
        }
    }
    m_cap_offer.clear();
    std::string request;
    for (const char* wanted : kWanted)
        if (std::find(offered.begin(), offered.end(), wanted) != offered.end())
            request += (request.empty() ? "" : " ") + std::string(wanted);
    m_sasl_mechanism = sasl_offered ? sasl_mechanism(sasl_values) : "";
    if (!m_sasl_mechanism.empty()) request += (request.empty() ? "" : " ") + std::string("sasl");
    if (request.empty())
        end_caps();
    else
        send_now(irc_line("CAP", {"REQ", request}));
}

void IrcLink::end_caps() {
    if (!m_caps_open) return;
    m_caps_open = false;
    send_now("CAP END");
}

void IrcLink::on_authenticate(const IrcMessage& m) {
    if (m_sasl_mechanism.empty() || m.params.empty() || m.params[0] != "+") return;
    if (m_sasl_mechanism == "EXTERNAL") {
        // The certificate is the proof; the account is the one the server finds for it.
        send_now("AUTHENTICATE +");
        return;
    }
    std::string payload = m_account;
    payload += '\0';
    payload += m_account;
    payload += '\0';
    payload += m_password;
    const std::string encoded = base64(payload);
    for (std::size_t at = 0; at < encoded.size(); at += kSaslPiece)
        send_now("AUTHENTICATE " + encoded.substr(at, kSaslPiece));
    // A payload that fills its last piece exactly is ended by an empty one.
    if (encoded.size() % kSaslPiece == 0) send_now("AUTHENTICATE +");
}

void IrcLink::on_sasl_result(const IrcMessage& m) {
    if (m_state != State::Registering) return;
    const std::string words = m.params.empty() ? m.command : plain(m.params.back());
    if (m.command == "902" || m.command == "904" || m.command == "905")
        refuse_sign_on(words);
    else
        end_caps();  // signed in (903), already (907), or given up (906): sign on as is
}

void IrcLink::on_sign_on_refused(const IrcMessage& m) {
    if (m_state != State::Registering) return;
    refuse_sign_on(m.params.empty() ? m.command : plain(m.params.back()));
}

void IrcLink::on_fail(const IrcMessage& m) {
    // "FAIL COMMAND CODE [CONTEXT...] :DESCRIPTION"
    if (m.params.size() < 3) return;
    const std::string words = plain(m.params.back());
    if (m_state == State::Registering && m.params[1] == "ACCOUNT_REQUIRED")
        refuse_sign_on(words);
    else
        m_sink.system_line("", m_server.host + ": " + words);
}

void IrcLink::refuse_sign_on(const std::string& words) {
    tell_rooms("Sign-on to " + m_server.host + " refused: " + words + ". Not trying again: " +
               (m_sasl_mechanism == "EXTERNAL"
                    ? "check the client certificate and the account it belongs to."
                    : "check the account and the password."));
    stop("Leaving");
}

void IrcLink::tell_rooms(const std::string& text) {
    if (m_channels.empty()) m_sink.system_line("", text);
    for (auto& ch : m_channels) m_sink.system_line(ch->name, text);
}

}  // namespace rv::standin::net
