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

}  // namespace
}  // namespace rv
