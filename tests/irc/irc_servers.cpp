#include "tests/irc/irc_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/irc/irc_harness.h"

namespace rv::test {

namespace {

constexpr const char* kNgircd = "/usr/sbin/ngircd";
constexpr const char* kInspircd = "/usr/sbin/inspircd";
constexpr const char* kInspircdModules = "/usr/lib/inspircd/modules";
constexpr const char* kAtheme = "/usr/bin/atheme-services";
constexpr const char* kOpenssl = "/usr/bin/openssl";

bool executable(const char* path) {
    return ::access(path, X_OK) == 0;
}

bool connects(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool ServerProcess::spawn(const std::vector<std::string>& argv, const std::string& log) {
    stop();
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0) {
        m_pid = 0;
        return false;
    }
    if (m_pid == 0) {
        // A test that crashes takes its servers with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const rlimit no_core{0, 0};
        ::setrlimit(RLIMIT_CORE, &no_core);
        int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return true;
}

void ServerProcess::stop(int signal) {
    if (m_pid <= 0) return;
    ::kill(m_pid, signal);
    int status = 0;
    for (int i = 0; i < 500 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i) ::usleep(10000);
    if (::waitpid(m_pid, &status, WNOHANG) == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
    }
    m_pid = 0;
}

bool ServerProcess::wait(double limit_s) {
    if (m_pid <= 0) return false;
    int status = 0;
    for (int i = 0; i < limit_s * 100; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        ::usleep(10000);
    }
    return false;
}

bool port_answers(int port, double limit_s) {
    return wait_until([port] { return connects(port); }, limit_s);
}

std::string IrcServer::url(const std::string& channel) const {
    return "irc://127.0.0.1:" + std::to_string(m_port) + "/" + channel;
}

// ngircd

Ngircd::Ngircd(const std::string& folder) : m_folder(folder) {
    m_port = free_port();
    m_config = folder + "/ngircd.conf";
    std::ofstream(m_config)
        << "[Global]\n"
           "Name = irc.ravelin.test\n"
           "Info = Ravelin test server\n"
           "AdminInfo1 = tests\nAdminInfo2 = here\nAdminEMail = none@localhost\n"
           "Listen = 127.0.0.1\n"
           "Ports = "
        << m_port
        << "\n"
           "MotdPhrase = \"test\"\n"
           "[Limits]\n"
           // The tests' own client floods on purpose.
           "MaxPenaltyTime = 0\n"
           "MaxConnectionsIP = 0\n"
           "[Options]\nDNS = no\nIdent = no\nPAM = no\n";
}

bool Ngircd::installed() {
    return executable(kNgircd);
}

bool Ngircd::start() {
    return m_process.spawn({kNgircd, "-n", "-f", m_config}, m_folder + "/ngircd.log") &&
           port_answers(m_port, 10);
}

// InspIRCd

Inspircd::Inspircd(const std::string& folder, Features features) : m_folder(folder) {
    m_port = free_port();
    if (features.tls) m_tls_port = free_port();
    if (features.services) m_link_port = free_port();
    m_config = folder + "/inspircd.conf";
    std::ofstream c(m_config);
    c << "<server name=\"irc.ravelin.test\" description=\"Ravelin test server\" "
         "network=\"RavelinTest\" id=\"0AA\">\n"
         "<admin name=\"tests\" nick=\"tests\" email=\"none@localhost\">\n"
         "<bind address=\"127.0.0.1\" port=\""
      << m_port << "\" type=\"clients\">\n";
    // The tests' own clients flood on purpose; no lookups of names or idents on a test box.
    c << "<connect name=\"main\" allow=\"*\" timeout=\"60\" pingfreq=\"120\" hardsendq=\"10M\" "
         "softsendq=\"10M\" recvq=\"10M\" threshold=\"1000000\" commandrate=\"1000000\" "
         "fakelag=\"no\" localmax=\"1000\" globalmax=\"1000\" resolvehostnames=\"no\" "
         "useident=\"no\" limit=\"5000\" maxchans=\"100\">\n"
         "<pid file=\""
      << folder << "/inspircd.pid\">\n"
      << "<log method=\"file\" type=\"* -USERINPUT -USEROUTPUT\" level=\"default\" target=\""
      << folder << "/inspircd.log\">\n"
      << "<path configdir=\"" << folder << "\" datadir=\"" << folder << "\" logdir=\"" << folder
      << "\" moduledir=\"" << kInspircdModules << "\">\n"
      << "<options prefixquit=\"\">\n<performance clonesonconnect=\"no\">\n"
         "<dns timeout=\"1\">\n";
    // Channels for operators only (+O) and channels that send the overflow on (+L): refusals
    // of this server's own; an operator of the test's own to set them.
    for (const char* m : {"cap", "namesx", "ircv3", "ircv3_servertime", "ircv3_echomessage",
                          "operchans", "redirect"})
        c << "<module name=\"" << m << "\">\n";
    c << "<class name=\"Everything\" commands=\"*\" privs=\"*\" usermodes=\"*\" "
         "chanmodes=\"*\">\n<type name=\"Tester\" classes=\"Everything\">\n<oper name=\""
      << kOperName << "\" password=\"" << kOperPassword
      << "\" host=\"*@127.0.0.1\" type=\"Tester\">\n";
    if (features.tls) {
        c << "<module name=\"ssl_gnutls\">\n<module name=\"sslinfo\">\n"
             "<sslprofile name=\"Clients\" provider=\"gnutls\" certfile=\""
          << folder << "/server.crt\" keyfile=\"" << folder
          << "/server.key\" requestclientcert=\"yes\" hash=\"sha256\">\n"
             "<bind address=\"127.0.0.1\" port=\""
          << m_tls_port << "\" type=\"clients\" sslprofile=\"Clients\">\n";
    }
    if (features.services) {
        c << "<module name=\"spanningtree\">\n<module name=\"sasl\">\n"
             "<module name=\"services_account\">\n"
             "<bind address=\"127.0.0.1\" port=\""
          << m_link_port
          << "\" type=\"servers\">\n"
             "<link name=\""
          << kServicesName << "\" ipaddr=\"127.0.0.1\" port=\"" << m_link_port
          << "\" allowmask=\"127.0.0.0/8\" sendpass=\"" << kLinkPassword << "\" recvpass=\""
          << kLinkPassword << "\">\n<uline server=\"" << kServicesName
          << "\" silent=\"yes\">\n<sasl target=\"" << kServicesName << "\">\n";
    }
}

bool Inspircd::installed() {
    return executable(kInspircd);
}

bool Inspircd::start() {
    std::vector<std::string> argv{kInspircd, "--nofork", "--config", m_config};
    // It refuses root unless told; CI runs as root.
    if (::geteuid() == 0) argv.push_back("--runasroot");
    return m_process.spawn(argv, m_folder + "/inspircd.out") && port_answers(m_port, 10);
}

// Atheme

Atheme::Atheme(const std::string& folder, int uplink_port) : m_folder(folder) {
    m_config = folder + "/atheme.conf";
    std::ofstream c(m_config);
    for (const char* m : {"protocol/inspircd", "backend/opensex", "crypto/pbkdf2v2",
                          "nickserv/main", "nickserv/register", "nickserv/identify",
                          "nickserv/cert", "saslserv/main", "saslserv/plain", "saslserv/external"})
        c << "loadmodule \"modules/" << m << "\";\n";
    c << "serverinfo {\n"
         "  name = \""
      << Inspircd::kServicesName
      << "\";\n"
         "  desc = \"Ravelin test services\";\n"
         "  numeric = \"00A\";\n"
         "  recontime = 1;\n"
         "  netname = \"RavelinTest\";\n"
         "  hidehostsuffix = \"users.test\";\n"
         "  adminname = \"tests\";\n"
         "  adminemail = \"none@localhost\";\n"
         "  registeremail = \"none@localhost\";\n"
         "  auth = none;\n"
         "  mta = \"/bin/true\";\n"
         "  loglevel = { all; };\n"
         "  maxlogins = 5;\n  maxusers = 5;\n  maxchans = 5;\n  mdlimit = 30;\n"
         "  emaillimit = 10;\n  emailtime = 300;\n"
         "};\n"
         "uplink \"irc.ravelin.test\" {\n"
         "  host = \"127.0.0.1\";\n"
         "  port = "
      << uplink_port << ";\n  send_password = \"" << Inspircd::kLinkPassword
      << "\";\n  receive_password = \"" << Inspircd::kLinkPassword
      << "\";\n};\n"
         "nickserv { nick = \"NickServ\"; user = \"NickServ\"; host = \""
      << Inspircd::kServicesName
      << "\"; real = \"Nickname Services\"; };\n"
         "saslserv { nick = \"SaslServ\"; user = \"SaslServ\"; host = \""
      << Inspircd::kServicesName << "\"; real = \"SASL Authentication Agent\"; };\n";
}

bool Atheme::installed() {
    return executable(kAtheme);
}

bool Atheme::start() {
    return m_process.spawn({kAtheme, "-n", "-c", m_config, "-l", m_folder + "/atheme.log", "-p",
                            m_folder + "/atheme.pid", "-D", m_folder},
                           m_folder + "/atheme.out");
}

bool installed(ServerKind kind) {
    return kind == ServerKind::Ngircd ? Ngircd::installed() : Inspircd::installed();
}

std::unique_ptr<IrcServer> make_server(ServerKind kind, const std::string& folder) {
    if (kind == ServerKind::Ngircd) return std::make_unique<Ngircd>(folder);
    return std::make_unique<Inspircd>(folder);
}

const char* server_name(ServerKind kind) {
    return kind == ServerKind::Ngircd ? "ngircd" : "inspircd";
}

bool make_certificate(const std::string& folder, const std::string& name,
                      const std::string& common_name) {
    if (!executable(kOpenssl)) return false;
    const std::string base = folder + "/" + name;
    ServerProcess openssl;
    if (!openssl.spawn({kOpenssl, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", base + ".key", "-out",
                        base + ".crt", "-days", "2", "-subj", "/CN=" + common_name},
                       folder + "/openssl.log"))
        return false;
    if (!openssl.wait(10)) return false;
    std::ifstream crt(base + ".crt"), key(base + ".key");
    std::ofstream pem(base + ".pem");
    pem << crt.rdbuf() << key.rdbuf();
    return crt && key && pem.good();
}

}  // namespace rv::test
