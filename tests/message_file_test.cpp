#include "afk/message_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

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

TEST(MessageFile, OneEntryALineEachEndingCrLf) {
    EXPECT_EQ(afk::message_file_bytes({}), "");
    EXPECT_EQ(afk::message_file_bytes({"alice:hi", "Bob:", "Bob:a\nb"}),
              "alice:hi\r\nBob:\r\nBob:a b\r\n");
}

TEST(MessageFile, EachSaveReplacesTheWholeFileAndLeavesNothingElse) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    ASSERT_TRUE(afk::save_entries(path, {"alice:one", "Bob:two", "carol:three"}));
    EXPECT_EQ(slurp(path), "alice:one\r\nBob:two\r\ncarol:three\r\n");
    ASSERT_TRUE(afk::save_entries(path, {"Bob:x"}));
    EXPECT_EQ(slurp(path), "Bob:x\r\n");
    ASSERT_TRUE(afk::save_entries(path, {}));
    EXPECT_EQ(slurp(path), "");
    EXPECT_EQ(files_in(dir.path()), 1u);  // no temporary file stays behind
}

TEST(MessageFile, AReplacedFileKeepsItsPermissions) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    ASSERT_TRUE(afk::save_entries(path, {"a:1"}));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(afk::save_entries(path, {"a:2"}));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(MessageFile, ARefusedSaveLeavesThePreviousFileAndSaysSoOnce) {
    test::TempDir dir;
    dir.touch("plain", "a regular file");
    std::filesystem::create_directories(dir.file("MsgBox.txt"));
    dir.touch("MsgBox.txt/keep", "inside");
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"the folder is a regular file", dir.file("plain/MsgBox.txt")},
        {"the name is a folder", dir.file("MsgBox.txt")},
        {"the folder does not exist", dir.file("gone/MsgBox.txt")},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(afk::save_entries(c.path, {"Bob:hello"})) << c.what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("ravelin: the messages were not saved to " + c.path), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(slurp(dir.file("plain")), "a regular file");
    EXPECT_EQ(slurp(dir.file("MsgBox.txt/keep")), "inside");
    EXPECT_EQ(files_in(dir.path()), 2u);
}

// A file-size limit makes the write stop part way, as a full disk would.
TEST(MessageFile, ASaveThatFailsHalfWayLeavesThePreviousFileWhole) {
    test::TempDir dir;
    const std::string path = dir.file("MsgBox.txt");
    ASSERT_TRUE(afk::save_entries(path, {"alice:short"}));
    const std::string before = slurp(path);
    std::vector<std::string> many(200, "Bob:" + std::string(100, 'm'));

    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool saved = afk::save_entries(path, many);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(saved);
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
    EXPECT_EQ(slurp(path), before);
    EXPECT_EQ(files_in(dir.path()), 1u);
}

}  // namespace
}  // namespace rv
