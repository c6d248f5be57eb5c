#include "afk/message_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <random>
#include <set>

#include "helpers.h"

namespace rv {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t files_in(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(MessageEntry, OnlyLinesBeginningWithDotMsgAreMessages) {
    struct Case {
        const char* text;
        const char* entry;  // null: not a message
    };
    const Case cases[] = {
        {".msg hello", "Bob:hello"},
        {".msghello", "Bob:ello"},  // the fifth character goes whatever it is
        {".msg", "Bob:"},
        {".msg ", "Bob:"},
        {".msgX", "Bob:"},
        {".msg  two blanks", "Bob: two blanks"},
        {".msg\xC2\xB7"
         "dot",
         "Bob:dot"},  // a two-byte fifth character
        {".msg\xE2\x80\xBA"
         "next",
         "Bob:next"},                   // a three-byte one
        {".msg\xE2\x80", "Bob:"},       // cut short
        {".msg a\rb\nc", "Bob:a b c"},  // one line of the file
        {".msg caf\xC3\xA9", "Bob:caf\xC3\xA9"},
        {".MSG hello", nullptr},
        {".Msg hello", nullptr},
        {" .msg hello", nullptr},
        {"hi .msg", nullptr},
        {".ms", nullptr},
        {"", nullptr},
        {"msg hello", nullptr},
    };
    for (const auto& c : cases) {
        auto got = afk::message_entry("Bob", c.text);
        if (!c.entry) {
            EXPECT_FALSE(got.has_value()) << c.text;
        } else {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_EQ(*got, c.entry) << c.text;
        }
    }
    EXPECT_EQ(afk::message_entry("A\r\nName", ".msg x"), "A  Name:x");
}

TEST(MessageEntry, ALongMessageIsCutAtACharacterEndingInAnEllipsis) {
    const std::string ellipsis = "\u2026";
    struct Case {
        std::string message;
        std::string kept;  // the message part of the entry
    };
    const std::string at_limit(4096, 'a');
    const std::string euro = "\u20AC";  // three bytes
    const Case cases[] = {
        {at_limit, at_limit},
        {at_limit + "b", std::string(4093, 'a') + ellipsis},
        {std::string(10 << 20, 'x'), std::string(4093, 'x') + ellipsis},
        // A character that would not fit whole goes entirely.
        {std::string(4092, 'a') + euro + "zz", std::string(4092, 'a') + ellipsis},
        {std::string(4090, 'a') + euro + "zzzz",
         std::string(4093, 'a').substr(0, 4090) + euro + ellipsis},
    };
    for (const auto& c : cases) {
        auto got = afk::message_entry("Bob", ".msg " + c.message);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, "Bob:" + c.kept) << c.message.size();
        EXPECT_LE(got->size() - 4, afk::kMaxMessageBytes);
    }
}

TEST(MessageFile, OneEntryALineEachEndingCrLf) {
    EXPECT_EQ(afk::message_file_bytes({}), "");
    EXPECT_EQ(afk::message_file_bytes({"alice:hi", "Bob:", "Bob:a\nb"}),
              "alice:hi\r\nBob:\r\nBob:a b\r\n");
}

namespace fs = std::filesystem;

// One load of the window: what the file held, then messages added, then the save at Stop.
struct Load {
    explicit Load(const std::string& path) : file(path) { file.load(); }
    void take(const std::string& entry) {
        ASSERT_TRUE(file.append(entry));
        list.push_back(entry);
    }
    bool save() { return file.save(list); }
    afk::MessageFile file;
    std::vector<std::string> list;
};

TEST(MessageFile, EarlierMessagesStayAndThisLoadsJoinThemInOrder) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    {
        Load first(path);
        first.take("carol:three");
        first.take("alice:one");
        ASSERT_TRUE(first.save());
    }
    EXPECT_EQ(slurp(path), "alice:one\r\ncarol:three\r\n");
    Load second(path);
    EXPECT_EQ(second.file.earlier(), (std::vector<std::string>{"alice:one", "carol:three"}));
    ASSERT_TRUE(second.save());  // a load with no messages keeps the file's
    EXPECT_EQ(slurp(path), "alice:one\r\ncarol:three\r\n");
    second.take("Bob:two");
    second.take("alice:one");
    EXPECT_EQ(slurp(path), "alice:one\r\ncarol:three\r\nBob:two\r\nalice:one\r\n");  // as taken
    ASSERT_TRUE(second.save());
    ASSERT_TRUE(second.save());  // a second Stop writes each once still
    EXPECT_EQ(slurp(path), "alice:one\r\nalice:one\r\nBob:two\r\ncarol:three\r\n");
    EXPECT_EQ(files_in(dir.path()), 1u);  // no temporary file stays behind
}

TEST(MessageFile, ALoadAfterACrashPutsTheAddedMessagesInOrder) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    struct Case {
        const char* what;
        std::string before, after;
    };
    const Case cases[] = {
        {"added after the last save", "alice:a\r\nzed:z\r\nBob:b\r\n",
         "alice:a\r\nBob:b\r\nzed:z\r\n"},
        {"cut off while being added", "zed:z\r\nBob:b", "Bob:b\r\nzed:z\r\n"},
        {"written by hand", "zed:z\n\nBob:b\n", "Bob:b\r\nzed:z\r\n"},
        {"already in order", "Bob:b\r\nzed:z\r\n", "Bob:b\r\nzed:z\r\n"},
    };
    for (const auto& c : cases) {
        dir.touch("MsgBox.txt", c.before);
        afk::MessageFile file(path);
        file.load();
        EXPECT_EQ(slurp(path), c.after) << c.what;
    }
}

TEST(MessageFile, TheFileIsPrivateKeepsItsModeAndStaysALink) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    auto mode = [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    // Made anew by a message or by a save: for the user alone, whatever the umask.
    const mode_t old_mask = ::umask(0);
    Load(path).take("Bob:hi");
    EXPECT_EQ(mode(path), 0600u);
    fs::remove(path);
    EXPECT_TRUE(Load(path).save());
    EXPECT_EQ(mode(path), 0600u);
    ::umask(old_mask);
    // The user's own choice stays.
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    {
        Load load(path);
        load.take("Bob:x");
        ASSERT_TRUE(load.save());
    }
    EXPECT_EQ(mode(path), 0640u);
    // A link stays a link; the file it names is written.
    fs::create_directories(dir.file("real"));
    fs::rename(path, dir.file("real/box.txt"));
    fs::create_symlink("real/box.txt", path);
    {
        Load load(path);
        load.take("alice:y");
        ASSERT_TRUE(load.save());
    }
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(slurp(dir.file("real/box.txt")), "alice:y\r\nBob:x\r\n");
    EXPECT_EQ(mode(dir.file("real/box.txt")), 0640u);
}

TEST(MessageFile, WhatCannotBeWrittenOrReadIsLeftAsItIsAndSaidOnce) {
    test::TempDir dir;
    dir.touch("plain", "a regular file");
    fs::create_directories(dir.file("MsgBox.txt"));
    dir.touch("MsgBox.txt/keep", "inside");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"the folder is a regular file", dir.file("plain/MsgBox.txt")},
        {"the name is a folder", dir.file("MsgBox.txt")},
        {"the folder does not exist", dir.file("gone/MsgBox.txt")},
        {"the name is a FIFO", dir.file("fifo")},  // and nothing hangs on it
    };
    for (const auto& c : cases) {
        afk::MessageFile file(c.path);
        testing::internal::CaptureStderr();
        file.load();
        EXPECT_FALSE(file.append("Bob:hello")) << c.what;
        EXPECT_FALSE(file.save({"Bob:hello"})) << c.what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("ravelin: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.path), std::string::npos) << err;
    }
    EXPECT_EQ(slurp(dir.file("plain")), "a regular file");
    EXPECT_EQ(slurp(dir.file("MsgBox.txt/keep")), "inside");
    EXPECT_EQ(files_in(dir.path()), 3u);
}

// A file-size limit makes the write stop part way, as a full disk would.
TEST(MessageFile, ASaveThatFailsHalfWayLeavesThePreviousFileWhole) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    Load load(path);
    load.take("alice:short");
    ASSERT_TRUE(load.save());
    const std::string before = slurp(path);
    load.list.assign(200, "Bob:" + std::string(100, 'm'));

    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool saved = load.save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(saved);
    EXPECT_NE(err.find("ravelin: the messages were not saved to " + path), std::string::npos);
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
    EXPECT_EQ(slurp(path), before);
    EXPECT_EQ(files_in(dir.path()), 1u);
}

// A writer taking messages and saving now and then, killed at random moments a hundred
// times: every message it reported saved is in the file at the next load, once, and the next
// save leaves no temporary file behind.
TEST(MessageFile, KillsDuringMessagesLoseNoSavedMessage) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    std::mt19937 gen(7);
    std::vector<std::string> acknowledged;
    for (int round = 0; round < 100; ++round) {
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(acks[0]);
            Load load(path);
            for (int i = 0;; ++i) {
                const std::string entry = "r" + std::to_string(round) + ":" + std::to_string(i);
                if (!load.file.append(entry)) ::_exit(1);
                load.list.push_back(entry);
                const std::string ack = entry + "\n";
                if (::write(acks[1], ack.data(), ack.size()) != static_cast<ssize_t>(ack.size()))
                    ::_exit(1);
                if (i % 3 == 2) load.save();
            }
        }
        ::close(acks[1]);
        FILE* in = ::fdopen(acks[0], "r");
        const int wanted = 1 + static_cast<int>(gen() % 12);
        char line[64];
        for (int i = 0; i < wanted && std::fgets(line, sizeof line, in); ++i) {
            acknowledged.emplace_back(line, std::strlen(line) - 1);
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        std::fclose(in);
    }
    Load last(path);
    ASSERT_TRUE(last.save());
    std::multiset<std::string> held(last.file.earlier().begin(), last.file.earlier().end());
    for (const auto& a : acknowledged) EXPECT_EQ(held.count(a), 1u) << a;
    EXPECT_EQ(files_in(dir.path()), 1u);
}

}  // namespace
}  // namespace rv
