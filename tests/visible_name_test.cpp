#include "platform/text/visible_name.h"

#include <gtest/gtest.h>

namespace rv {
namespace {

TEST(VisibleName, WritesOutWhatWouldLetANamePassForAnother) {
    const struct {
        const char* what;
        std::string in;
        std::string out;
    } cases[] = {
        {"plain ASCII", "DJ", "DJ"},
        {"nick punctuation", "[DJ]_^{|}-`\\", "[DJ]_^{|}-`\\"},
        {"accented Latin", "Jos\u00e9", "Jos\u00e9"},
        {"one script, not Latin", "\u0414\u0438\u043c\u0430", "\u0414\u0438\u043c\u0430"},
        {"CJK beside Latin", "DJ\u65e5", "DJ\u65e5"},
        {"zero-width space", "DJ\u200b", "DJ<U+200B>"},
        {"zero-width joiner inside", "D\u200dJ", "D<U+200D>J"},
        {"word joiner", "\u2060DJ", "<U+2060>DJ"},
        {"byte-order mark", "DJ\ufeff", "DJ<U+FEFF>"},
        {"soft hyphen", "D\u00adJ", "D<U+00AD>J"},
        {"no-break space", "DJ\u00a0", "DJ<U+00A0>"},
        {"narrow no-break space", "DJ\u202f", "DJ<U+202F>"},
        {"ideographic space", "DJ\u3000", "DJ<U+3000>"},
        {"Braille blank", "DJ\u2800", "DJ<U+2800>"},
        {"Hangul filler", "DJ\u3164", "DJ<U+3164>"},
        {"right-to-left override", "\u202eJD", "<U+202E>JD"},
        {"right-to-left isolate", "DJ\u2067", "DJ<U+2067>"},
        {"left-to-right mark", "DJ\u200e", "DJ<U+200E>"},
        {"Arabic letter mark", "DJ\u061c", "DJ<U+061C>"},
        {"variation selector", "DJ\ufe0f", "DJ<U+FE0F>"},
        {"tag character", "DJ\U000E0041", "DJ<U+E0041>"},
        {"C1 control", "DJ\u0085", "DJ<U+0085>"},
        {"private use", "DJ\ue000", "DJ<U+E000>"},
        {"non-character", "DJ\uffff", "DJ<U+FFFF>"},
        {"Cyrillic a among Latin", "D\u0430ve", "D<U+0430>ve"},
        {"Cyrillic capital among Latin", "\u0412ob", "<U+0412>ob"},
        {"Greek omicron among Latin", "b\u03bfb", "b<U+03BF>b"},
        {"Cyrillic, not a twin, among Latin", "DJ\u0434", "DJ<U+0434>"},
        {"all look-alikes, no Latin", "\u0430\u0440\u0435", "<U+0430><U+0440><U+0435>"},
        {"fullwidth Latin", "\uff24\uff2a", "<U+FF24><U+FF2A>"},
        {"mathematical bold", "\U0001D403J", "<U+1D403>J"},
        {"not UTF-8", "DJ\xff", "DJ<0xFF>"},
        {"one script beside an invisible", "\u0414\u0438\u200b", "\u0414\u0438<U+200B>"},
        {"cut-short sequence", "DJ\xe2\x80", "DJ<0xE2><0x80>"},
        {"empty", "", ""},
        {"a marker spelt out", "DJ<U+200B>", "DJ<U+003C>U+200B>"},
        {"a byte marker spelt out", "DJ<0xFF>", "DJ<U+003C>0xFF>"},
        {"a marker shown, shown again", "DJ<U+003C>U+200B>", "DJ<U+003C>U+003C>U+200B>"},
        {"'<' that reads as no marker", "a<b>", "a<b>"},
        {"too few digits for a marker", "<U+12>", "<U+12>"},
        {"lower-case digits", "<U+200b>", "<U+200b>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(text::visible_name(c.in), c.out);
    }
}

// Whatever the name, what is shown never equals a different name's plain form.
TEST(VisibleName, TwoNamesThatDifferNeverShowAlike) {
    const std::string names[] = {
        "DJ",         "DJ\u200b",       "DJ\u00a0",          "D\u0408",    "DJ\xff",
        "\uff24J",    "D\u200b\u200bJ", "D\u200bJ",          "DJ\u202e",   "D\u0430J",
        "DJ<U+200B>", "DJ<0xFF>",       "DJ<U+003C>U+200B>", "DJ<U+003C>", "DJ<"};
    for (const auto& a : names) {
        for (const auto& b : names) {
            if (a != b) {
                EXPECT_NE(text::visible_name(a), text::visible_name(b)) << a << " / " << b;
            }
        }
    }
}

}  // namespace
}  // namespace rv
