// Signing on with the protocol's extensions and an account, on virtual time: what the link
// asks for, what it sends, and the refusals it says and does not try again.
#include <gtest/gtest.h>

#include "tests/irc_link_fixture.h"

namespace rv::standin::net {
namespace {

struct IrcSignOn : LinkTest {
    // Connects to `host` (TLS or not) with a password; the lines sent so far are dropped.
    void connect(const std::string& host, bool tls, const std::string& password = "pw",
                 const std::string& account = {}, const std::string& cert = {}) {
        Endpoint e = music();
        e.host = host;
        e.tls = tls;
        e.client_cert = cert;
        link->start(e, "DJ", password, account);
        transport.accept();
    }
    void server(const std::string& lines) { transport.say(lines); }
};

TEST_F(IrcSignOn, AsksForWhatItUsesAndSignsInWithSaslWhereThePasswordIsSafe) {
    connect("127.0.0.1", false, "s3cret", "dj-account");
    EXPECT_EQ(transport.lines(),
              (Strings{"CAP LS 302", "PASS s3cret", "NICK DJ", "USER dj 0 * :DJ"}));
    // The offer comes in two lines; what the link does not use is not asked for.
    server(":srv CAP * LS * :account-notify away-notify chghost echo-message\r\n");
    EXPECT_TRUE(transport.lines().empty());
    server(":srv CAP * LS :message-tags multi-prefix sasl=EXTERNAL,PLAIN server-time\r\n");
    EXPECT_EQ(transport.lines(),
              Strings{"CAP REQ :multi-prefix server-time message-tags echo-message away-notify "
                      "sasl"});
    server(
        ":srv CAP DJ ACK :multi-prefix server-time message-tags echo-message away-notify "
        "sasl\r\n");
    EXPECT_EQ(transport.lines(), Strings{"AUTHENTICATE PLAIN"});
    server("AUTHENTICATE +\r\n");
    // "dj-account\0dj-account\0s3cret"
    EXPECT_EQ(transport.lines(), Strings{"AUTHENTICATE ZGotYWNjb3VudABkai1hY2NvdW50AHMzY3JldA=="});
    server(
        ":srv 900 DJ DJ!u@h dj-account :You are now logged in\r\n"
        ":srv 903 DJ :SASL authentication successful\r\n");
    EXPECT_EQ(transport.lines(), Strings{"CAP END"});
    server(":srv 001 DJ :Welcome\r\n");
    EXPECT_EQ(link->state(), IrcLink::State::Online);
    EXPECT_EQ(link->capabilities().size(), 6u);
    EXPECT_TRUE(sink.system.empty());
}

struct Offer {
    const char* name;
    const char* host;
    bool tls;
    const char* password;
    const char* cert;     // the client certificate's file
    const char* ls;       // the server's offer
    const char* request;  // what the link asks for; empty: nothing (CAP END at once)
    const char* said;     // a system line, when one is due
};

TEST_F(IrcSignOn, SaslOnlyWhenOfferedWithPlainAndOverTlsOrOnThisMachine) {
    const Offer table[] = {
        {"tls", "irc.test", true, "pw", "", "sasl multi-prefix", "CAP REQ :multi-prefix sasl", ""},
        {"localhost", "localhost", false, "pw", "", "sasl=PLAIN", "CAP REQ :sasl", ""},
        {"no password", "irc.test", true, "", "", "sasl", "", ""},
        {"no PLAIN", "irc.test", true, "pw", "", "sasl=EXTERNAL multi-prefix",
         "CAP REQ :multi-prefix", ""},
        {"plain text to another machine", "irc.test", false, "pw", "", "sasl away-notify",
         "CAP REQ :away-notify",
         "Not signing in as DJ on irc.test: the password would cross the network unencrypted "
         "(use ircs://)."},
        {"nothing useful", "irc.test", false, "", "", "chghost invite-notify", "", ""},
        {"certificate", "irc.test", true, "", "me.pem", "sasl=PLAIN,EXTERNAL", "CAP REQ :sasl", ""},
        {"certificate, no EXTERNAL, no password", "irc.test", true, "", "me.pem", "sasl=PLAIN", "",
         ""},
        {"certificate without TLS proves nothing", "localhost", false, "", "me.pem", "sasl", "",
         ""},
    };
    for (const Offer& o : table) {
        SCOPED_TRACE(o.name);
        reset();
        connect(o.host, o.tls, o.password, "", o.cert);
        transport.lines();
        server(std::string(":srv CAP * LS :") + o.ls + "\r\n");
        EXPECT_EQ(transport.lines(), *o.request ? Strings{o.request} : Strings{"CAP END"});
        EXPECT_EQ(sink.system.empty() ? "" : sink.system.back().text, o.said);
    }
}

struct Mechanism {
    const char* name;
    const char* password;
    const char* cert;
    const char* offered;  // the values of the server's "sasl"
    Strings exchange;     // what the link sends once the server says "AUTHENTICATE +"
};

// With a certificate the link signs in with it where the server takes it; a password is for
// servers that do not.
TEST_F(IrcSignOn, ACertificateIsPreferredAndAPasswordServesWhereItIsNotTaken) {
    const Mechanism table[] = {
        {"certificate",
         "",
         "me.pem",
         "=EXTERNAL,PLAIN",
         {"AUTHENTICATE EXTERNAL", "AUTHENTICATE +"}},
        {"certificate and password",
         "pw",
         "me.pem",
         "=PLAIN,EXTERNAL",
         {"AUTHENTICATE EXTERNAL", "AUTHENTICATE +"}},
        {"mechanisms not named", "pw", "me.pem", "", {"AUTHENTICATE EXTERNAL", "AUTHENTICATE +"}},
        {"only PLAIN taken",
         "pw",
         "me.pem",
         "=PLAIN",
         {"AUTHENTICATE PLAIN", "AUTHENTICATE REoAREoAcHc="}},
    };
    for (const Mechanism& m : table) {
        SCOPED_TRACE(m.name);
        reset();
        connect("irc.test", true, m.password, "", m.cert);
        server(std::string(":srv CAP * LS :sasl") + m.offered + "\r\n:srv CAP DJ ACK :sasl\r\n");
        Strings sent = transport.lines();
        ASSERT_FALSE(sent.empty());
        server("AUTHENTICATE +\r\n");
        sent = {sent.back()};
        for (auto& l : transport.lines()) sent.push_back(l);
        EXPECT_EQ(sent, m.exchange);
        server(":srv 903 DJ :SASL authentication successful\r\n");
        EXPECT_EQ(transport.lines(), Strings{"CAP END"});
    }
}

TEST_F(IrcSignOn, ARefusedExtensionOrAServerWithoutThemStillSignsOn) {
    connect("irc.test", true);
    transport.lines();
    server(":srv CAP * LS :multi-prefix\r\n:srv CAP * NAK :multi-prefix\r\n");
    EXPECT_EQ(transport.lines(), (Strings{"CAP REQ :multi-prefix", "CAP END"}));
    reset();
    connect("irc.test", true);
    server(":srv 421 * CAP :Unknown command\r\n:srv 001 DJ :Welcome\r\n");
    EXPECT_EQ(link->state(), IrcLink::State::Online);
    EXPECT_TRUE(sink.system.empty());
    EXPECT_TRUE(link->capabilities().empty());
}

TEST_F(IrcSignOn, OwnLinesEchoedBackAreTakenOnce) {
    connect("irc.test", true);
    server(
        ":srv CAP * LS :echo-message server-time message-tags\r\n"
        ":srv CAP DJ ACK :echo-message server-time message-tags\r\n:srv 001 DJ :hi\r\n"
        ":DJ!u@h JOIN #music\r\n");
    link->say("#music", "hello");
    server(
        "@time=2024-05-01T10:00:00.000Z :DJ!u@h PRIVMSG #music :hello\r\n"
        "@time=2024-05-01T10:00:01.000Z;msgid=x :bob!u@h PRIVMSG #music :hi DJ\r\n");
    EXPECT_EQ(sink.chat, (std::vector<Line>{{"#music", "bob", "hi DJ"}}));
}

struct Refusal {
    const char* name;
    const char* server;  // after the link asked for sasl
    const char* said;
};

// A refusal of the password or the account is said with the server's words; the link then
// stays off rather than being refused again every minute.
TEST_F(IrcSignOn, RefusalsAreSaidAndNotTriedAgain) {
    const Refusal table[] = {
        {"sasl", ":srv 904 DJ :SASL authentication failed\r\n",
         "Sign-on to 127.0.0.1 refused: SASL authentication failed. Not trying again: check the "
         "account and the password."},
        {"too long", ":srv 905 DJ :SASL message too long\r\n",
         "Sign-on to 127.0.0.1 refused: SASL message too long. Not trying again: check the "
         "account and the password."},
        {"server password", ":srv 464 DJ :Password incorrect\r\nERROR :Closing link\r\n",
         "Sign-on to 127.0.0.1 refused: Password incorrect. Not trying again: check the account "
         "and the password."},
        {"account required",
         "FAIL * ACCOUNT_REQUIRED :An account is required to connect to this server\r\n",
         "Sign-on to 127.0.0.1 refused: An account is required to connect to this server. Not "
         "trying again: check the account and the password."},
    };
    for (const Refusal& r : table) {
        SCOPED_TRACE(r.name);
        reset();
        connect("127.0.0.1", false);
        server(":srv CAP * LS :sasl\r\n:srv CAP DJ ACK :sasl\r\nAUTHENTICATE +\r\n");
        transport.lines();
        server(r.server);
        ASSERT_FALSE(sink.system.empty());
        EXPECT_EQ(sink.system.back(), (Line{"#music", "", r.said}));
        EXPECT_EQ(transport.lines(), Strings{"QUIT Leaving"});
        EXPECT_EQ(link->state(), IrcLink::State::Offline);
        const int opens = transport.opens;
        loop.advance(600);
        EXPECT_EQ(transport.opens, opens);
        EXPECT_EQ(sink.system.size(), 1u);
    }
}

TEST_F(IrcSignOn, ARefusedCertificateIsSaidAndNotTriedAgain) {
    connect("irc.test", true, "", "", "me.pem");
    server(
        ":srv CAP * LS :sasl=EXTERNAL\r\n:srv CAP DJ ACK :sasl\r\nAUTHENTICATE +\r\n"
        ":srv 904 DJ :SASL authentication failed\r\n");
    ASSERT_EQ(sink.system.size(), 1u);
    EXPECT_EQ(sink.system[0].text,
              "Sign-on to irc.test refused: SASL authentication failed. Not trying again: check "
              "the client certificate and the account it belongs to.");
    EXPECT_EQ(link->state(), IrcLink::State::Offline);
    loop.advance(600);
    EXPECT_EQ(transport.opens, 1);
}

TEST_F(IrcSignOn, AServersErrorBeforeSigningOnIsSaidAndTriedAgainLater) {
    connect("irc.test", true);
    server("ERROR :Closing Link: too many connections from your host\r\n");
    transport.lose("the server closed the connection");
    ASSERT_EQ(sink.system.size(), 2u);
    EXPECT_EQ(sink.system[0].text,
              "irc.test says: Closing Link: too many connections from your host");
    EXPECT_EQ(sink.system[1].text.rfind("Disconnected from irc.test", 0), 0u);
    loop.advance(1.0);
    EXPECT_EQ(transport.opens, 2);
}

TEST(IrcSasl, ALongPayloadGoesInPiecesAndAFullLastPieceIsEnded) {
    VirtualLoop loop;
    FakeTransport transport;
    RecordingSink sink;
    IrcLink link(loop, transport, sink);
    Endpoint e;
    e.host = "127.0.0.1";
    // 2 + 2 * 1 + 296 bytes: exactly 400 characters of base64.
    link.start(e, "a", std::string(296, 'x'), "a");
    transport.accept();
    transport.say("CAP * LS :sasl\r\nCAP a ACK :sasl\r\nAUTHENTICATE +\r\n");
    Strings sent = transport.lines();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[sent.size() - 2].size(), std::string("AUTHENTICATE ").size() + 400);
    EXPECT_EQ(sent.back(), "AUTHENTICATE +");
}

}  // namespace
}  // namespace rv::standin::net
