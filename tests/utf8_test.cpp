#include "platform/text/utf8.h"

#include <gtest/gtest.h>

namespace rv {
namespace {

TEST(AppendUtf8, EncodesEveryLengthAndReplacesWhatIsNoCharacter) {
    const struct {
        char32_t cp;
        const char* utf8;
    } cases[] = {
        {U'A', "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x203A, "\u203A"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0, "\uFFFD"},
        {0xD800, "\uFFFD"},
        {0xDFFF, "\uFFFD"},
        {0x110000, "\uFFFD"},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        text::append_utf8(out, c.cp);
        EXPECT_EQ(out, std::string("x") + c.utf8) << static_cast<unsigned>(c.cp);
    }
}

TEST(ToValidUtf8, KeepsWellFormedBytesAndReplacesEachBrokenPieceOnce) {
    const std::string r = "\uFFFD";
    const struct {
        const char* what;
        std::string in;
        std::string out;
    } cases[] = {
        {"empty", "", ""},
        {"ASCII", "Track 01.mp3", "Track 01.mp3"},
        {"two bytes", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"three bytes", "\xE2\x80\xBA", "\xE2\x80\xBA"},
        {"four bytes", "\xF0\x9F\x8E\xB5.mp3", "\xF0\x9F\x8E\xB5.mp3"},
        {"the last code point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"a Latin-1 name", "caf\xE9.mp3", "caf" + r + ".mp3"},
        {"overlong two", "\xC0\xAF", r + r},
        {"overlong three", "\xE0\x80\xAF", r + r + r},
        {"overlong four", "\xF0\x80\x80\x80", r + r + r + r},
        {"a surrogate", "\xED\xA0\x80", r + r + r},
        {"past U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
        {"no lead that high", "\xF5\x80\x80\x80", r + r + r + r},
        {"cut short at the end", "ab\xE2\x80", "ab" + r},
        {"cut short by a letter", "\xF0\x9F\x8Ex", r + "x"},
        {"cut short by a whole one", "\xE2\x80\xC3\xA9", r + "\xC3\xA9"},
        {"stray continuations",
         "a\x80\xBF"
         "b",
         "a" + r + r + "b"},
        {"bytes that are never UTF-8", "\xFF\xFE", r + r},
    };
    for (const auto& c : cases) {
        const std::string out = text::to_valid_utf8(c.in);
        EXPECT_EQ(out, c.out) << c.what;
        EXPECT_EQ(text::to_valid_utf8(out), out) << c.what;  // valid, so kept as it is
    }
}

}  // namespace
}  // namespace rv
