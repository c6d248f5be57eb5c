// Bad input of every shape: nothing crashes, nothing hangs, and the outcome is well formed.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <set>

#include "app/script.h"
#include "helpers.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/winapi/profile.h"
#include "standin/chat_html.h"

namespace rv {
namespace {

std::string random_text(std::mt19937& gen, std::size_t max_len) {
    // Biased towards the characters that matter to the parsers.
    static const std::string pieces[] = {"<",         ">",
                                         "&",         ";",
                                         "#",         "\"",
                                         "'",         "=",
                                         ":",         "\t",
                                         "\r",        "\n",
                                         "[",         "]",
                                         " ",         "font",
                                         "b",         "/",
                                         "x",         "\xC3",
                                         "\xA9",      "\xFF",
                                         "&#",        "&#x",
                                         "say-as",    "script",
                                         "img",       " src=",
                                         " onclick=", "javascript:",
                                         " color=",   " face=",
                                         "style",     "<font",
                                         "<script",   "wait",
                                         "click",     "Form1.lbplay",
                                         "9"};
    std::uniform_int_distribution<std::size_t> len(0, max_len);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    for (std::size_t n = len(gen); s.size() < n;)
        s += gen() % 4 ? pieces[pick(gen)] : std::string(1, static_cast<char>(byte(gen)));
    return s;
}

// What the safe form may hold: the tags of the subset with their quoted attributes, and
// escaped text with no stray angle bracket.
bool only_safe_markup(const std::string& html) {
    static const std::regex tag(R"(</?(b|i|u|br|font)( (color|face|size)="[^"<>]*")*>)");
    std::string rest = std::regex_replace(html, tag, "");
    return rest.find('<') == std::string::npos && rest.find('>') == std::string::npos;
}

TEST(Robustness, ChatHtmlKeepsOnlyTheSafeSubsetAndOneLine) {
    std::mt19937 gen(20261206);
    int with_script = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string s = random_text(gen, 200);
        with_script += s.find("<script") != std::string::npos;
        EXPECT_EQ(standin::html_to_plain(s).find('\n'), std::string::npos) << s;
        const std::string safe = standin::safe_html(s);
        EXPECT_TRUE(only_safe_markup(safe)) << s << "\n -> " << safe;
    }
    EXPECT_GT(with_script, 100);  // the dangerous tags were really tried
}

TEST(Robustness, ScriptsOfAnyShapeParseOrFailWithTheLine) {
    std::mt19937 gen(11);
    static const std::set<std::string> verbs = {
        "answer", "say", "say-as", "click", "dblclick", "wait", "print", "open-room", "open-im"};
    int parsed = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string s = random_text(gen, 120);
        std::vector<app::ScriptAction> actions;
        std::string error;
        const bool ok = app::parse_script(s, actions, error);
        parsed += ok;
        EXPECT_EQ(ok, error.empty()) << s;
        if (!ok) {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
            continue;
        }
        for (const auto& a : actions) EXPECT_EQ(verbs.count(a.verb), 1u) << a.verb;
    }
    EXPECT_GT(parsed, 0);
}

TEST(Robustness, TranscriptLinesSplitIntoANamedAuthorOrNone) {
    std::mt19937 gen(5);
    int named = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string s = random_text(gen, 80);
        std::string name, text;
        if (!chatscan::ChatScanner::split_line(s, name, text)) {
            EXPECT_TRUE(s.find(":\t") == std::string::npos || s.rfind(":\t", 0) == 0) << s;
            continue;
        }
        ++named;
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(":\t"), std::string::npos);
        EXPECT_EQ(name + ":\t" + text, s);
    }
    EXPECT_GT(named, 20);
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
        // A damaged file may hold an earlier [ravelin] with its own value, which then wins;
        // a section the random text never spells reads back exactly what was written.
        ASSERT_TRUE(
            winapi::WritePrivateProfileStringA("rv-probe-section", "KEY", "/probe", file.c_str()));
        char back[16];
        EXPECT_EQ(winapi::GetPrivateProfileStringA("rv-probe-section", "key", "", back, sizeof back,
                                                   file.c_str()),
                  6u);
        EXPECT_STREQ(back, "/probe");
    }
}

}  // namespace
}  // namespace rv
