// The single-instance socket against what another local user or a broken program may put in
// its way. Real sockets on real time: peers are child processes speaking plain POSIX, and
// every wait is bounded and generous; no test asserts a tight duration. (A file in the
// socket's place, and the one line the program says: desktop/single_instance_test.sh.)
#include "platform/qt/single_instance.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <vector>

#include "platform/qt/rendezvous.h"

namespace rv {
namespace {

namespace fs = std::filesystem;
using qt::SingleInstance;

constexpr uid_t kNobody = 65534;

struct TempDir {
    std::string path;
    TempDir() {
        std::string t = (fs::temp_directory_path() / "ravelin-test-XXXXXX").string();
        path = ::mkdtemp(t.data()) ? t : "";
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Sets an environment variable for one test; unset when `value` is null.
struct EnvGuard {
    std::string name;
    std::optional<std::string> old;
    EnvGuard(const char* n, const char* value) : name(n) {
        if (const char* v = std::getenv(n)) old = v;
        value ? ::setenv(n, value, 1) : ::unsetenv(n);
    }
    ~EnvGuard() { old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str()); }
};

long resident_kb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

sockaddr_un address(const std::string& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    return a;
}

int connect_to(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un a = address(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
}

bool become(uid_t uid) {
    return uid == ::geteuid() ||
           (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0);
}

// Reads until a newline, the end, or `limit` bytes; "" on nothing.
std::string read_some(int fd, std::size_t limit = 64) {
    std::string got;
    char c;
    while (got.size() < limit && ::read(fd, &c, 1) == 1) {
        got += c;
        if (c == '\n') break;
    }
    return got;
}

// Runs `body` in a child process that only makes system calls; its value is the exit code.
pid_t fork_child(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_IGN);
        ::alarm(30);  // a child that hangs ends, and the test fails rather than waits
        ::_exit(body());
    }
    return pid;
}

class Instance : public ::testing::Test {
  protected:
    int m_argc = 1;
    char m_name[16] = "instance_test";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
    TempDir m_dir;
    std::string m_folder = m_dir.path + "/private";
    std::string m_path = m_folder + "/ravelin.sock";
    int m_raised = 0;
    std::vector<std::string> m_files;  // those of the last request

    SingleInstance::OnRequest counting() {
        return [this](const std::vector<std::string>& files) {
            ++m_raised;
            m_files = files;
        };
    }

    void SetUp() override { ASSERT_EQ(::mkdir(m_folder.c_str(), 0700), 0); }

    // Runs the event loop, looking every 20 ms, until `done` or the limit.
    // `done` is asked once a look, as it may take what it looks at (a child's exit).
    bool run_until(const std::function<bool()>& done, int limit_ms = 15000) {
        const QDeadlineTimer deadline(limit_ms);
        bool finished = done();
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if ((finished = done()) || deadline.hasExpired()) loop.quit();
        });
        tick.start(20);
        if (!finished) loop.exec();
        return finished;
    }
    // The child's exit code once it ended, the loop running meanwhile; -1 if it did not.
    int finish(pid_t pid) {
        int status = 0;
        bool ended = run_until([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool listen(SingleInstance& instance) {
        std::string why;
        const bool ok = instance.listen(m_path, counting(), why);
        EXPECT_TRUE(ok) << why;
        return ok;
    }
};

TEST(Rendezvous, OnlyAFolderOfTheUsersAloneIsUsed) {
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* what;
        std::function<void(const std::string& folder)> make;
        const char* refused;  // in the reason, or null when the folder is used
    };
    const Case cases[] = {
        {"missing: made", [](const std::string&) {}, nullptr},
        {"private", [](const std::string& f) { ::mkdir(f.c_str(), 0700); }, nullptr},
        {"open to all", [](const std::string& f) { ::mkdir(f.c_str(), 0755); }, "(mode 0755)"},
        {"open to the group",
         [](const std::string& f) {
             ::mkdir(f.c_str(), 0700);
             ::chmod(f.c_str(), 0730);
         },
         "(mode 0730)"},
        {"a link to a private folder",
         [](const std::string& f) {
             ::mkdir((f + "-real").c_str(), 0700);
             ::symlink((f + "-real").c_str(), f.c_str());
         },
         "symbolic link"},
        {"a file", [](const std::string& f) { std::ofstream(f) << "x"; }, "is not a folder"},
        {"another user's",
         [root](const std::string& f) {
             ::mkdir(f.c_str(), 0700);
             if (root) ::chown(f.c_str(), kNobody, kNobody);
         },
         root ? "belongs to user 65534" : nullptr},
    };
    const std::string uid = std::to_string(::geteuid());
    for (const auto& c : cases) {
        TempDir temp;
        EnvGuard runtime("XDG_RUNTIME_DIR", nullptr), tmpdir("TMPDIR", temp.path.c_str());
        const std::string folder = temp.path + "/ravelin-" + uid;
        c.make(folder);
        struct stat before {};
        ::lstat(folder.c_str(), &before);
        std::string why;
        const std::string got = qt::private_runtime_folder(why);
        if (!c.refused) {
            EXPECT_EQ(got, folder) << c.what << ": " << why;
            struct stat st {};
            EXPECT_EQ(::lstat(folder.c_str(), &st), 0) << c.what;
            EXPECT_EQ(st.st_mode & 07777, 0700u) << c.what;
            continue;
        }
        EXPECT_EQ(got, "") << c.what;
        EXPECT_NE(why.find(c.refused), std::string::npos) << c.what << ": " << why;
        struct stat after {};
        ::lstat(folder.c_str(), &after);
        EXPECT_EQ(after.st_mode, before.st_mode) << c.what << ": left as it was";
    }
}

TEST(Rendezvous, TheRuntimeFolderServesOnlyWhenPrivate) {
    TempDir temp;
    const std::string runtime = temp.path + "/run";
    ::mkdir(runtime.c_str(), 0700);
    EnvGuard xdg("XDG_RUNTIME_DIR", runtime.c_str()), tmpdir("TMPDIR", temp.path.c_str());
    std::string why;
    EXPECT_EQ(SingleInstance::socket_path(why), runtime + "/ravelin.sock");
    ::chmod(runtime.c_str(), 0755);
    EXPECT_EQ(SingleInstance::socket_path(why),
              temp.path + "/ravelin-" + std::to_string(::geteuid()) + "/ravelin.sock");
    // A temporary folder below a regular file: no folder at all, and the reason why.
    std::ofstream(temp.path + "/file") << "x";
    EnvGuard below_file("TMPDIR", (temp.path + "/file").c_str());
    EXPECT_EQ(SingleInstance::socket_path(why), "");
    EXPECT_NE(why.find("Not a directory"), std::string::npos) << why;
}

TEST_F(Instance, AStaleSocketIsReplacedAndALaterStartRaisesThisOne) {
    EnvGuard xdg("XDG_RUNTIME_DIR", m_folder.c_str());
    {  // a program that died left its socket behind
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un a = address(m_path);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
    }
    SingleInstance instance;
    std::string why;
    ASSERT_EQ(instance.start({}, counting(), why), SingleInstance::Start::Listening) << why;
    const pid_t later = fork_child([this] {
        const int fd = connect_to(m_path);
        return fd >= 0 && ::write(fd, "raise\n", 6) == 6 && read_some(fd) == "ok\n" ? 0 : 1;
    });
    EXPECT_EQ(finish(later), 0);
    EXPECT_EQ(m_raised, 1);
    EXPECT_TRUE(m_files.empty());
}

TEST(Request, FilesTravelAsWholePathsInOneLine) {
    using Files = std::vector<std::string>;
    const Files odd = {"/music/a b.mp3", "/music/line\nbreak.mp3", "/music/100%.mp3",
                       "/música/ünïcode ✓.mp3", "/music/tab\there.mp3"};
    const std::string line = SingleInstance::request_line(odd);
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_EQ(line.find('\t'), std::string::npos) << line;
    Files got;
    ASSERT_TRUE(SingleInstance::parse_request(line, got));
    EXPECT_EQ(got, odd);

    struct Case {
        const char* line;
        bool request;
        Files files;
    };
    const Case cases[] = {
        {"raise\n", true, {}},
        {"raise", true, {}},
        {"raise  /a.mp3   /b%20c.mp3 \r\n", true, {"/a.mp3", "/b c.mp3"}},
        // A path that is not whole would be read from the wrong folder; a NUL names nothing.
        {"raise a.mp3 ../b.mp3 /c%00d.mp3 /e.mp3\n", true, {"/e.mp3"}},
        {"rise /a.mp3\n", false, {}},
        {"raise/a.mp3\n", false, {}},
        {"\n", false, {}},
        {"play /a.mp3\n", false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SingleInstance::parse_request(c.line, got), c.request) << c.line;
        EXPECT_EQ(got, c.files) << c.line;
    }
}

TEST(Request, FilesPastTheRoomOfARequestAreLeftOutWhole) {
    const std::string longest = "/" + std::string(4000, '%');  // each '%' takes three bytes
    const std::vector<std::string> many(100, longest);
    const std::string line = SingleInstance::request_line(many);
    EXPECT_LE(line.size(), SingleInstance::kMaxRequestBytes);
    std::vector<std::string> got;
    ASSERT_TRUE(SingleInstance::parse_request(line, got));
    EXPECT_GE(got.size(), 5u);
    EXPECT_LT(got.size(), many.size());
    for (const std::string& file : got) EXPECT_EQ(file, longest);
}

TEST_F(Instance, ALaterStartsFilesArriveAsWholePathsFromWhereItWasStarted) {
    SingleInstance instance;
    ASSERT_TRUE(listen(instance));
    const std::string here = m_dir.path + "/here";
    ASSERT_EQ(::mkdir(here.c_str(), 0700), 0);
    const std::string before = fs::current_path().string();
    ::chdir(here.c_str());
    // The asking end waits for its answer while this loop serves it: it runs in a child.
    const pid_t later = fork_child([this] {
        return SingleInstance::ask_running_to_raise(
                   m_path, {"in here/a b.mp3", "/abs/c.mp3", "../up.mp3"}) ==
                       SingleInstance::Answer::Raised
                   ? 0
                   : 1;
    });
    ::chdir(before.c_str());
    EXPECT_EQ(finish(later), 0);
    EXPECT_EQ(m_raised, 1);
    const std::vector<std::string> expected = {here + "/in here/a b.mp3", "/abs/c.mp3",
                                               here + "/../up.mp3"};
    EXPECT_EQ(m_files, expected);
}

// A server in a child process, as some program of `uid` might run one: answers the first
// connection with `answer`. Returns once it listens; its exit code is 0 when it was told
// nothing at all.
pid_t serve_as(const std::string& path, uid_t uid, std::string answer) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = fork_child([&] {
        ::close(ready[0]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un a = address(path);
        // Bound while still allowed into the private folder; the listen records who serves.
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || !become(uid) ||
            ::listen(fd, 4) != 0 || ::write(ready[1], "r", 1) != 1)
            return 9;
        const int client = ::accept(fd, nullptr, nullptr);
        const std::string heard = read_some(client);
        for (std::size_t sent = 0; sent < answer.size();) {
            const ssize_t n = ::write(client, answer.data() + sent, answer.size() - sent);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        return heard.empty() ? 0 : 1;
    });
    ::close(ready[1]);
    char c;
    const bool listening = ::read(ready[0], &c, 1) == 1;  // or the end: the child failed
    ::close(ready[0]);
    return listening ? pid : -1;
}

TEST_F(Instance, ALaterStartTrustsOnlyAProgramOfItsOwnUser) {
    const uid_t me = ::geteuid();
    struct Case {
        const char* what;
        uid_t uid;
        std::string answer;
        SingleInstance::Answer expected;
        int told_nothing;  // the server's exit code: 0 when it was told nothing
    };
    std::vector<Case> cases = {
        {"ours, taking it", me, "ok\n", SingleInstance::Answer::Raised, 1},
        {"ours, saying no", me, "no\n", SingleInstance::Answer::Nobody, 1},
        {"ours, flooding", me, std::string(1 << 20, 'x'), SingleInstance::Answer::Nobody, 1},
    };
    if (me == 0)
        cases.push_back({"another user's", kNobody, "ok\n", SingleInstance::Answer::Stranger, 0});
    else
        std::cout << "(another user's server left out: switching users needs root)\n";
    for (const auto& c : cases) {
        ::unlink(m_path.c_str());
        const pid_t server = serve_as(m_path, c.uid, c.answer);
        ASSERT_GT(server, 0) << c.what;
        EXPECT_EQ(SingleInstance::ask_running_to_raise(m_path), c.expected) << c.what;
        EXPECT_EQ(finish(server), c.told_nothing) << c.what;
    }
}

TEST_F(Instance, ARequestThatNeverEndsIsCutOffWithoutFillingMemory) {
    SingleInstance instance;
    ASSERT_TRUE(listen(instance));
    const std::vector<char> flood(1 << 20, 'x');  // made before the fork: the child only writes
    const long before_kb = resident_kb();
    long most_kb = before_kb;
    const pid_t client = fork_child([this, &flood] {
        const int fd = connect_to(m_path);
        for (int mb = 0; mb < 64; ++mb)
            for (std::size_t sent = 0; sent < flood.size();) {
                const ssize_t n = ::write(fd, flood.data() + sent, flood.size() - sent);
                if (n <= 0) return 0;  // cut off
                sent += static_cast<std::size_t>(n);
            }
        return 1;  // all 64 MB went through
    });
    int status = 0;
    EXPECT_TRUE(run_until([&] {
        most_kb = std::max(most_kb, resident_kb());
        return ::waitpid(client, &status, WNOHANG) == client;
    }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the client was never cut off";
    EXPECT_LT(most_kb - before_kb, 4096);
    EXPECT_EQ(m_raised, 0);
}

TEST_F(Instance, AFewClientsAreServedAtOnceAndASilentOneIsCutOff) {
    SingleInstance instance;
    ASSERT_TRUE(listen(instance));
    // Ten connect before the server looks: the first few are heard, the rest cut off unheard.
    std::vector<int> fds;
    for (int i = 0; i < 10; ++i) fds.push_back(connect_to(m_path));
    auto ended = [](int fd) {
        pollfd p{fd, POLLIN, 0};
        char c;
        return ::poll(&p, 1, 0) == 1 && ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
    };
    const std::size_t extra = fds.size() - SingleInstance::kMaxClients;
    ASSERT_TRUE(run_until([&] {
        return static_cast<std::size_t>(std::count_if(fds.begin(), fds.end(), ended)) >= extra;
    }));
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (i >= static_cast<std::size_t>(SingleInstance::kMaxClients)) {
            EXPECT_TRUE(ended(fds[i])) << i;
            continue;
        }
        ASSERT_EQ(::write(fds[i], "raise\n", 6), 6);
        std::string got;
        run_until([&] {
            pollfd p{fds[i], POLLIN, 0};
            return ::poll(&p, 1, 0) == 1 && !(got = read_some(fds[i])).empty();
        });
        EXPECT_EQ(got, "ok\n") << i;
    }
    EXPECT_EQ(m_raised, SingleInstance::kMaxClients);
    for (int fd : fds) ::close(fd);
    // Half a word and then silence: cut off once its time is up, and never raised.
    const int silent = connect_to(m_path);
    ASSERT_EQ(::write(silent, "rai", 3), 3);
    EXPECT_TRUE(run_until([&] { return ended(silent); }));
    ::close(silent);
    EXPECT_EQ(m_raised, SingleInstance::kMaxClients);
}

TEST_F(Instance, AClientOfAnotherUserIsNotHeard) {
    if (::geteuid() != 0) GTEST_SKIP() << "switching users needs root";
    SingleInstance instance;
    ASSERT_TRUE(listen(instance));
    // Another user cannot enter the private folder; a link from an open one lets it knock.
    const std::string open = m_dir.path + "/open";
    ::chmod(m_dir.path.c_str(), 0711);
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    ::chmod(open.c_str(), 0777);
    ASSERT_EQ(::link(m_path.c_str(), (open + "/door").c_str()), 0);
    ::chmod(m_path.c_str(), 0777);
    const pid_t stranger = fork_child([&open] {
        if (!become(kNobody)) return 8;
        const int fd = connect_to(open + "/door");
        if (fd < 0) return 7;
        if (::write(fd, "raise\n", 6) != 6) return 0;  // cut off already
        return read_some(fd).empty() ? 0 : 1;
    });
    EXPECT_EQ(finish(stranger), 0);
    EXPECT_EQ(m_raised, 0);
}

}  // namespace
}  // namespace rv
