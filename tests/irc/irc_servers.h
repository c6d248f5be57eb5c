#pragma once
// Real IRC servers for the tests, each started by the test on a free port of 127.0.0.1 with a
// configuration written into the test's folder, in the foreground (no daemon), with its own
// pid file and log there; stopped (and never left behind) by the test.
#include <csignal>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace rv::test {

// A child process with its output in a log file, ended with the test and, should the test
// itself die, with it. It leaves no core file behind.
class ServerProcess {
  public:
    ~ServerProcess() { stop(); }
    bool spawn(const std::vector<std::string>& argv, const std::string& log);
    // Asks it to end with `signal`, then ends it (SIGKILL) if it has not within 5 s.
    void stop(int signal = SIGTERM);
    // Waits for a short command to end (at most `limit_s`); true when it ended well.
    bool wait(double limit_s);

  private:
    int m_pid = 0;
};

// True once something accepts connections on 127.0.0.1:`port`, within `limit_s`.
bool port_answers(int port, double limit_s);

class IrcServer {
  public:
    virtual ~IrcServer() = default;
    // Starts the server (again, on the same port); true once it accepts connections.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual const char* name() const = 0;
    int port() const { return m_port; }
    std::string url(const std::string& channel) const;

  protected:
    int m_port = 0;
};

class Ngircd final : public IrcServer {
  public:
    explicit Ngircd(const std::string& folder);
    static bool installed();
    bool start() override;
    void stop() override { m_process.stop(); }
    const char* name() const override { return "ngircd"; }

  private:
    std::string m_folder, m_config;
    ServerProcess m_process;
};

class Inspircd final : public IrcServer {
  public:
    struct Features {
        bool tls = false;       // a second port for TLS, asking clients for a certificate
        bool services = false;  // a port for services to link to, and SASL through them
    };
    // With TLS, `folder` must hold the server's certificate (server.crt, server.key:
    // make_certificate).
    Inspircd(const std::string& folder, Features features);
    explicit Inspircd(const std::string& folder) : Inspircd(folder, Features{}) {}
    ~Inspircd() override { stop(); }
    static bool installed();
    bool start() override;
    // Ended at once: its own shutdown (3.15) crashes, and takes over a second to do so.
    void stop() override { m_process.stop(SIGKILL); }
    const char* name() const override { return "inspircd"; }
    int tls_port() const { return m_tls_port; }
    int link_port() const { return m_link_port; }
    static constexpr const char* kOperName = "tests";
    static constexpr const char* kOperPassword = "oper-secret";
    static constexpr const char* kLinkPassword = "link-secret";
    static constexpr const char* kServicesName = "services.ravelin.test";

  private:
    std::string m_folder, m_config;
    int m_tls_port = 0, m_link_port = 0;
    ServerProcess m_process;
};

// Account services linked to an InspIRCd as a server: NickServ and SASL.
class Atheme {
  public:
    Atheme(const std::string& folder, int uplink_port);
    static bool installed();
    bool start();  // true once it runs; linking takes a moment more
    void stop() { m_process.stop(); }

  private:
    std::string m_folder, m_config;
    ServerProcess m_process;
};

enum class ServerKind { Ngircd, Inspircd };
bool installed(ServerKind kind);
std::unique_ptr<IrcServer> make_server(ServerKind kind, const std::string& folder);
// For test names: "ngircd", "inspircd".
const char* server_name(ServerKind kind);
// How a test's parameter is printed.
inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << server_name(kind);
}

// A self-signed certificate and key made with the openssl command: `name`.crt, `name`.key and
// both in `name`.pem, in `folder`. False when openssl is missing or fails.
bool make_certificate(const std::string& folder, const std::string& name,
                      const std::string& common_name);

}  // namespace rv::test
