// Bad input of every shape: nothing crashes, nothing hangs, and the outcome is well formed.
#include <gtest/gtest.h>

#include <random>

#include "app/script.h"
#include "helpers.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/winapi/profile.h"
#include "standin/chat_html.h"

namespace rv {
namespace {

std::string random_text(std::mt19937& gen, std::size_t max_len) {
    // Biased towards the characters that matter to the parsers.
    static const std::string pieces[] = {
        "<", ">", "&",    ";", "#", "\"", "'",    "=",    ":",    "\t", "\r",  "\n",    "[",
        "]", " ", "font", "b", "/", "x",  "\xC3", "\xA9", "\xFF", "&#", "&#x", "say-as"};
    std::uniform_int_distribution<std::size_t> len(0, max_len);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    for (std::size_t n = len(gen); s.size() < n;)
        s += gen() % 4 ? pieces[pick(gen)] : std::string(1, static_cast<char>(byte(gen)));
    return s;
}

TEST(Robustness, ChatHtmlAndScriptsTakeAnyBytes) {
    std::mt19937 gen(20261206);
    for (int i = 0; i < 3000; ++i) {
        const std::string s = random_text(gen, 200);
        const std::string plain = standin::html_to_plain(s);
        EXPECT_EQ(plain.find('\n'), std::string::npos);  // always one line
        const std::string safe = standin::safe_html(s);
        EXPECT_EQ(safe.find("<script"), std::string::npos);
        std::vector<app::ScriptAction> actions;
        std::string error;
        app::parse_script(s, actions, error);
        std::string name, text;
        chatscan::ChatScanner::split_line(s, name, text);
    }
}

TEST(Robustness, ProfileFilesOfAnyShapeReadAndWrite) {
    std::mt19937 gen(7);
    test::TempDir dir;
    const std::string file = dir.file("mp3.oca");
    for (int i = 0; i < 300; ++i) {
        dir.touch("mp3.oca", random_text(gen, 400));
        char buf[16];
        const std::size_t n = winapi::GetPrivateProfileStringA("ravelin", "directory", "", buf,
                                                               sizeof buf, file.c_str());
        ASSERT_LT(n, sizeof buf);
        EXPECT_EQ(buf[n], '\0');
        ASSERT_TRUE(winapi::WritePrivateProfileStringA("ravelin", "DIRECTORY", "/m", file.c_str()));
        char back[8];
        winapi::GetPrivateProfileStringA("ravelin", "directory", "", back, sizeof back,
                                         file.c_str());
        // A damaged file may hold an earlier [ravelin] with its own value; ours is then the
        // second and the first wins. Either way the read is whole and terminated.
        EXPECT_LT(std::string(back).size(), sizeof back);
    }
}

}  // namespace
}  // namespace rv
