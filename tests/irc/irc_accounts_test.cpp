// Signing in to an account on a real network: InspIRCd with account services (Atheme)
// linked to it, the account registered with NickServ by the test, as a person does it.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QSslCertificate>
#include <chrono>

#include "platform/qt/qt_loop.h"
#include "standin/net/irc_link.h"
#include "standin/view/irc_socket.h"
#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"
#include "tests/irc_fakes.h"

namespace rv::standin::net {
namespace {

using test::Peer;
using test::wait_until;

constexpr const char* kPassword = "s3cret-horse";

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The certificate's fingerprint as the server and the services write it.
std::string fingerprint(const std::string& crt_file) {
    const auto certs = QSslCertificate::fromPath(QString::fromStdString(crt_file));
    if (certs.isEmpty()) return "";
    return certs.first().digest(QCryptographicHash::Sha256).toHex().toStdString();
}

struct Accounts : ::testing::Test {
    void SetUp() override {
        if (!test::Inspircd::installed() || !test::Atheme::installed())
            GTEST_SKIP()
                << "inspircd or atheme-services is not installed (scripts/setup-deps test)";
        if (!test::make_certificate(dir.path(), "server", "irc.ravelin.test") ||
            !test::make_certificate(dir.path(), "dj", "dj") ||
            !test::make_certificate(dir.path(), "stranger", "stranger"))
            GTEST_SKIP() << "no openssl command to make certificates with";
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(services.start());
        register_account();
        ASSERT_TRUE(bob.connect(server.port()));
        ASSERT_TRUE(bob.sign_on("bob"));
        ASSERT_TRUE(bob.join("#music"));
        link.log = [](const std::string&) {};
    }

    // The owner signs on as dj once the services are there, registers the account and adds
    // the certificate to it, and leaves.
    void register_account() {
        Peer owner;
        ASSERT_TRUE(owner.connect(server.port()));
        // The server offers SASL only while the services are linked.
        double asked = 0;
        ASSERT_TRUE(wait_until(
            [&] {
                owner.poll();
                if (owner.has_line_containing(" LS :") && owner.has_line_containing("sasl="))
                    return true;
                if (seconds() - asked > 0.2) {
                    owner.send("CAP LS 302");
                    asked = seconds();
                }
                return false;
            },
            20))
            << "the services did not link";
        owner.send("CAP END");
        ASSERT_TRUE(owner.sign_on("dj"));
        owner.send(std::string("PRIVMSG NickServ :REGISTER ") + kPassword + " dj@localhost.test");
        ASSERT_TRUE(wait_until(
            [&] {
                owner.poll();
                return owner.has_line_containing("is now registered");
            },
            10));
        const std::string fp = fingerprint(dir.file("dj.crt"));
        ASSERT_EQ(fp.size(), 64u);
        owner.send("PRIVMSG NickServ :CERT ADD " + fp);
        ASSERT_TRUE(wait_until(
            [&] {
                owner.poll();
                return owner.has_line_containing("Added fingerprint");
            },
            10));
        owner.send("QUIT");
    }

    Endpoint plain_port() const {
        Endpoint e;
        e.host = "127.0.0.1";
        e.port = server.port();
        e.channel = "#music";
        return e;
    }
    Endpoint tls_port(const std::string& cert) const {
        Endpoint e = plain_port();
        e.port = server.tls_port();
        e.tls = true;
        e.insecure = true;  // the test's own self-signed server certificate
        e.client_cert = dir.file(cert);
        return e;
    }
    // Waits until DJ is in #music, then asks the server which account DJ is signed in to.
    bool signed_in_as(const std::string& account) {
        if (!wait_until(
                [&] {
                    bob.poll();
                    return link.joined("#music") && bob.has_line_containing(" JOIN ");
                },
                20))
            return false;
        bob.send("WHOIS DJ");
        return wait_until(
            [&] {
                bob.poll();
                return bob.has_line_containing(" 330 bob DJ " + account + " ");
            },
            10);
    }

    test::TempDir dir;
    test::Inspircd server{dir.path(), {.tls = true, .services = true}};
    test::Atheme services{dir.path(), server.link_port()};
    Peer bob;
    qt::QtLoop loop;
    view::IrcSocket socket;
    test::RecordingSink sink;
    LinkSettings settings = [] {
        LinkSettings s;
        s.reconnect.first_ms = 200;
        s.watchdog_ms = 200;
        return s;
    }();
    IrcLink link{loop, socket, sink, settings};
};

TEST_F(Accounts, APasswordSignsInWithSaslPlain) {
    link.start(plain_port(), "DJ", kPassword, "dj");
    ASSERT_TRUE(signed_in_as("dj"));
    const auto& caps = link.capabilities();
    EXPECT_NE(std::find(caps.begin(), caps.end(), "sasl"), caps.end());
}

TEST_F(Accounts, ACertificateSignsInWithSaslExternal) {
    link.start(tls_port("dj.pem"), "DJ", "");
    ASSERT_TRUE(signed_in_as("dj"));
}

struct Refused {
    const char* name;
    bool tls;
    const char* password;
    const char* cert;
    const char* check;  // the end of the system line
};

// The server's words are said once, and the link stays off rather than being refused again
// at every reconnection.
TEST_F(Accounts, ARefusedSignInIsSaidOnceAndNotTriedAgain) {
    const Refused table[] = {
        {"wrong password", false, "not-the-password", "", "check the account and the password."},
        {"unknown certificate", true, "", "stranger.pem",
         "check the client certificate and the account it belongs to."},
    };
    for (const Refused& r : table) {
        SCOPED_TRACE(r.name);
        sink.system.clear();
        link.start(r.tls ? tls_port(r.cert) : plain_port(), "DJ", r.password, "dj");
        ASSERT_TRUE(wait_until(
            [&] { return link.state() == IrcLink::State::Offline && !sink.system.empty(); }, 20));
        ASSERT_EQ(sink.system.size(), 1u);
        const std::string said = sink.system[0].text;
        EXPECT_EQ(said.rfind("Sign-on to 127.0.0.1 refused: ", 0), 0u) << said;
        EXPECT_NE(said.find("SASL authentication failed"), std::string::npos) << said;
        EXPECT_NE(said.find(r.check), std::string::npos) << said;
        // Ten times the first pause before a reconnection: nothing more happens.
        EXPECT_FALSE(wait_until([&] { return link.state() != IrcLink::State::Offline; }, 2.0));
        EXPECT_EQ(sink.system.size(), 1u);
    }
    bob.send("WHOIS DJ");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" 401 bob DJ ");
        },
        10));
}

}  // namespace
}  // namespace rv::standin::net
