#include "aol/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "aol/random.h"
#include "helpers.h"

namespace rv {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Settings, ReadsAsTheProfileCallsDo) {
    test::TempDir dir;
    const std::string long_value(760, 'v');
    struct Case {
        const char* what;
        const char* content;  // null: no file
        std::string want;
    };
    const Case cases[] = {
        {"section in capitals, key in small letters", "[RAVELIN]\r\ndirectory=/music\r\n",
         "/music"},
        {"written as the chooser writes it", "[ravelin]\nDIRECTORY=/music\n", "/music"},
        {"missing file", nullptr, ""},
        {"missing section", "[other]\nDIRECTORY=/x\n", ""},
        {"missing key", "[ravelin]\nfolder=/x\n", ""},
        {"blanks around key and value", "[ravelin]\n  Directory =  /a b  \n", "/a b"},
        {"first of duplicate sections wins",
         "[ravelin]\nDIRECTORY=/one\n[Ravelin]\nDIRECTORY=/two\n", "/one"},
        {"first of duplicate keys wins", "[ravelin]\nDIRECTORY=/one\ndirectory=/two\n", "/one"},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBF[ravelin]\r\nDIRECTORY=/m\xC3\xBAsica\r\n",
         "/m\xC3\xBAsica"},
        {"a key of another section is not taken", "[a]\nDIRECTORY=/no\n[ravelin]\n", ""},
    };
    for (const auto& c : cases) {
        std::string file = dir.file("mp3.oca");
        std::remove(file.c_str());
        if (c.content) dir.touch("mp3.oca", c.content);
        EXPECT_EQ(aol::ReadSetting("ravelin", "DIRECTORY", file), c.want) << c.what;
    }
    dir.touch("mp3.oca", "[ravelin]\nDIRECTORY=" + long_value + "\n");
    EXPECT_EQ(aol::ReadSetting("ravelin", "DIRECTORY", dir.file("mp3.oca")),
              long_value.substr(0, 749));
}

TEST(Settings, WritesKeepEveryOtherLine) {
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    struct Case {
        const char* what;
        const char* before;  // null: no file
        const char* after;
    };
    const Case cases[] = {
        {"creates file, section and key", nullptr, "[ravelin]\r\nDIRECTORY=/new\r\n"},
        {"replaces the value, CRLF kept", "; mine\r\n[ravelin]\r\nDIRECTORY=/old\r\nx=1\r\n",
         "; mine\r\n[ravelin]\r\nDIRECTORY=/new\r\nx=1\r\n"},
        {"LF file stays LF; other sections kept",
         "[a]\nk=v\n\n[Ravelin]\ndirectory=/old\n\n[b]\nz=2\n",
         "[a]\nk=v\n\n[Ravelin]\nDIRECTORY=/new\n\n[b]\nz=2\n"},
        {"adds the key after the section's last line", "[ravelin]\nx=1\n\n[b]\n",
         "[ravelin]\nx=1\nDIRECTORY=/new\n\n[b]\n"},
        {"adds the section at the end", "[a]\nk=v\n", "[a]\nk=v\n\n[ravelin]\nDIRECTORY=/new\n"},
    };
    for (const auto& c : cases) {
        std::remove(file.c_str());
        if (c.before) dir.touch("mp3.oca", c.before);
        aol::WriteSetting("ravelin", "directory", "/new", file);
        EXPECT_EQ(slurp(file), c.after) << c.what;
        EXPECT_EQ(aol::ReadSetting("ravelin", "Directory", file), "/new") << c.what;
    }
}

TEST(Settings, AnUnwritableFolderFailsSilentlyAndLeavesTheOldFileWhole) {
    if (::geteuid() == 0) {
        // root writes anywhere; a folder that does not exist refuses all the same.
        test::TempDir dir;
        aol::WriteSetting("ravelin", "DIRECTORY", "/x", dir.file("missing/mp3.oca"));
        EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    }
    test::TempDir dir;
    dir.touch("mp3.oca", "[ravelin]\nDIRECTORY=/old\n");
    ::chmod(dir.path().c_str(), 0555);
    aol::WriteSetting("ravelin", "DIRECTORY", "/new", dir.file("mp3.oca"));
    ::chmod(dir.path().c_str(), 0755);
    if (::geteuid() != 0) {
        EXPECT_EQ(slurp(dir.file("mp3.oca")), "[ravelin]\nDIRECTORY=/old\n");
    }
    // Nothing half-written is left behind either way.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace rv
