// The settings file on disk: nothing a write does, or a kill in the middle of one, loses data.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "aol/settings.h"
#include "helpers.h"
#include "platform/files/file_io.h"
#include "platform/winapi/profile.h"
#include "platform/winapi/profile_ini.h"

namespace rv {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int temp_files(const std::string& folder) {
    int n = 0;
    for (auto& e : fs::directory_iterator(folder))
        n += e.path().filename().string().find(".tmp-") != std::string::npos;
    return n;
}

TEST(ProfileText, AnEditChangesOnlyItsOwnLine) {
    struct Case {
        const char* what;
        std::string before, after;
    };
    const Case cases[] = {
        {"an LF file keeps the CR of other lines", "[a]\nk=v\r\n[ravelin]\nDIRECTORY=/old\nx=1\r\n",
         "[a]\nk=v\r\n[ravelin]\nDIRECTORY=/new\nx=1\r\n"},
        {"a CRLF file keeps a lone LF line", "[ravelin]\r\nx=1\n\r\nDIRECTORY=/old\r\n",
         "[ravelin]\r\nx=1\n\r\nDIRECTORY=/new\r\n"},
        {"the replaced line keeps its own line end", "[ravelin]\nDIRECTORY=/old\r\n",
         "[ravelin]\nDIRECTORY=/new\r\n"},
        {"no line end at the end: the new line gets one", "[ravelin]\r\nx=1",
         "[ravelin]\r\nx=1\r\nDIRECTORY=/new\r\n"},
        {"a last line without end is replaced as it stands", "[ravelin]\nDIRECTORY=/old",
         "[ravelin]\nDIRECTORY=/new"},
        {"a byte-order mark stays", "\xEF\xBB\xBF[ravelin]\nDIRECTORY=/old\n",
         "\xEF\xBB\xBF[ravelin]\nDIRECTORY=/new\n"},
        {"an empty text gets the classic line ends", "", "[ravelin]\r\nDIRECTORY=/new\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winapi::ini::set_value(c.before, "ravelin", "DIRECTORY", "/new"), c.after)
            << c.what;
    EXPECT_EQ(winapi::ini::set_value("[ravelin]\nDIRECTORY=/old\r\nx=1\n", "RAVELIN", "directory",
                                     nullptr),
              "[ravelin]\nx=1\n");
}

TEST(SettingsFile, AFileThatCannotBeReadIsNeverReplaced) {
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    struct Case {
        const char* what;
        void (*make)(const std::string& file);
    };
    const Case cases[] = {
        {"a folder in its place", [](const std::string& f) { fs::create_directory(f); }},
        {"a FIFO in its place (and no hang)",
         [](const std::string& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }},
        {"a loop of links", [](const std::string& f) { fs::create_symlink(f, f); }},
    };
    for (const auto& c : cases) {
        fs::remove_all(file);
        c.make(file);
        const auto before = fs::symlink_status(file).type();
        EXPECT_FALSE(winapi::WritePrivateProfileStringA("ravelin", "DIRECTORY", "/x", file.c_str()))
            << c.what;
        EXPECT_EQ(fs::symlink_status(file).type(), before) << c.what;
        EXPECT_EQ(aol::ReadSetting("ravelin", "directory", file), "") << c.what;
        EXPECT_EQ(temp_files(dir.path()), 0) << c.what;
    }
    fs::remove_all(file);
    if (::geteuid() != 0) {  // root reads anything
        dir.touch("mp3.oca", "[other]\nkeep=me\n[ravelin]\nDIRECTORY=/old\n");
        ::chmod(file.c_str(), 0200);
        EXPECT_FALSE(
            winapi::WritePrivateProfileStringA("ravelin", "DIRECTORY", "/x", file.c_str()));
        ::chmod(file.c_str(), 0600);
        EXPECT_EQ(slurp(file), "[other]\nkeep=me\n[ravelin]\nDIRECTORY=/old\n");
    }
}

TEST(SettingsFile, WhatWouldSplitOrMisnameALineIsRefused) {
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    const std::string before = "[ravelin]\nDIRECTORY=/old\n";
    struct Case {
        const char *section, *key, *value;
    };
    const Case cases[] = {
        {"ravelin", "DIRECTORY", "/new\n[ravelin]\nDIRECTORY=/evil"},
        {"ravelin", "DIRECTORY", "/carriage\rreturn"},
        {"rave]lin", "DIRECTORY", "/x"},
        {"ravelin", "DIRECTORY=x", "/x"},
        {"", "DIRECTORY", "/x"},
        {"ravelin", " ", "/x"},
    };
    for (const auto& c : cases) {
        dir.touch("mp3.oca", before);
        errno = 0;
        EXPECT_FALSE(winapi::WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str()))
            << c.section << "|" << c.key << "|" << c.value;
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(slurp(file), before);
    }
}

TEST(SettingsFile, ARefusedWriteSaysWhyOnStderrOnce) {
    test::TempDir dir;
    dir.touch("plain");
    testing::internal::CaptureStderr();
    aol::WriteSetting("ravelin", "DIRECTORY", "/x", dir.file("plain/mp3.oca"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "ravelin: the settings file " + dir.file("plain/mp3.oca") +
                       " was not written: Not a directory\n");
    testing::internal::CaptureStderr();
    aol::WriteSetting("ravelin", "DIRECTORY", "/x", dir.file("mp3.oca"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SettingsFile, ALinkIsFollowedAndThePermissionsStay) {
    test::TempDir dir;
    fs::create_directories(dir.file("real"));
    dir.touch("real/target.ini", "[other]\nk=v\n[ravelin]\nDIRECTORY=/old\n");
    ::chmod(dir.file("real/target.ini").c_str(), 0640);
    fs::create_symlink("real/target.ini", dir.file("hop"));  // relative, through a chain
    fs::create_symlink(dir.file("hop"), dir.file("mp3.oca"));
    aol::WriteSetting("ravelin", "DIRECTORY", "/new", dir.file("mp3.oca"));
    EXPECT_TRUE(fs::is_symlink(dir.file("mp3.oca")));
    EXPECT_TRUE(fs::is_symlink(dir.file("hop")));
    EXPECT_EQ(slurp(dir.file("real/target.ini")), "[other]\nk=v\n[ravelin]\nDIRECTORY=/new\n");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("real/target.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // A link to a file not there yet creates the file it names.
    fs::create_symlink("later.ini", dir.file("dangling"));
    aol::WriteSetting("ravelin", "DIRECTORY", "/d", dir.file("dangling"));
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
    EXPECT_EQ(aol::ReadSetting("ravelin", "directory", dir.file("later.ini")), "/d");
}

TEST(SettingsFile, TemporaryFilesOfDeadWritersGoAtTheNextWrite) {
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    const std::string prefix = files::temp_prefix(file);
    EXPECT_EQ(prefix, dir.file(".mp3.oca.tmp-"));
    std::ofstream(prefix + "99999999") << "half a file";  // no such process
    std::ofstream(prefix + "1") << "a live writer's";     // init runs for as long as we do
    std::ofstream(prefix + "x1") << "not ours";
    aol::WriteSetting("ravelin", "DIRECTORY", "/m", file);
    EXPECT_FALSE(fs::exists(prefix + "99999999"));
    EXPECT_TRUE(fs::exists(prefix + "1"));
    EXPECT_TRUE(fs::exists(prefix + "x1"));
    EXPECT_EQ(aol::ReadSetting("ravelin", "directory", file), "/m");
}

// A writer killed at random moments, a hundred times: the file is always one whole version,
// and at most one temporary file is ever left.
TEST(SettingsFile, KillsDuringWritesLeaveAWholeFile) {
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    const std::string head = "[other]\n" + std::string(200000, 'k') + "\n[ravelin]\nDIRECTORY=";
    auto whole = [&](const std::string& value) { return head + value + "\n"; };
    std::ofstream(file, std::ios::binary) << whole("/m0");
    std::mt19937 gen(42);
    int damaged = 0, most_temps = 0, writes_seen = 0;
    for (int round = 0; round < 100; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            for (int i = 1;; ++i) {
                if (::write(ready[1], "w", 1) != 1) ::_exit(1);
                winapi::WritePrivateProfileStringA(
                    "ravelin", "DIRECTORY", ("/m" + std::to_string(i)).c_str(), file.c_str());
            }
        }
        ::close(ready[1]);
        // Let it start one to three writes, then kill it wherever it is.
        const int writes = 1 + static_cast<int>(gen() % 3);
        char c;
        for (int i = 0; i < writes && ::read(ready[0], &c, 1) == 1; ++i) ++writes_seen;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]);
        const std::string now = slurp(file);
        const std::string value = aol::ReadSetting("ravelin", "directory", file);
        damaged += !(value.size() > 2 && value.compare(0, 2, "/m") == 0 && now == whole(value));
        most_temps = std::max(most_temps, temp_files(dir.path()));
    }
    EXPECT_EQ(damaged, 0);
    EXPECT_LE(most_temps, 1);
    EXPECT_GE(writes_seen, 100);
    aol::WriteSetting("ravelin", "DIRECTORY", "/last", file);
    EXPECT_EQ(temp_files(dir.path()), 0);
    EXPECT_EQ(slurp(file), whole("/last"));
}

}  // namespace
}  // namespace rv
