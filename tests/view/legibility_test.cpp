// Every text of every window fits the room the layout gives it, measured with the fonts we
// ship, and the player glyphs fill their labels with a gap between them.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <map>

#include "app/program.h"
#include "platform/loop/virtual_loop.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/qt_front.h"

namespace rv {
namespace {

int g_argc = 1;
char g_name[] = "legibility_test";
char* g_argv[] = {g_name, nullptr};

constexpr double kTwipsPerPixel = 15.0;  // the offscreen screen's 96 dpi

// The widest texts the program writes into the controls that change as it runs.
const std::map<std::string, std::vector<std::string>> kRunTimeTexts = {
    {"txttime", {"00:00", "59:59", "88:88"}},
    {"Text2", {"  00:18", "  59:59", "  88:88"}},
    {"lbmp3num", {"0", "12", "888"}},
};

void check_text(const qt::FormLayout& layout, forms::Control& c, const std::string& where) {
    const QRect room = layout.text_room(c);
    const QString text = qt::FormLayout::shown_text(c);
    QFont font = qt::qfont(c.font());
    if (c.kind() == forms::Kind::TextBox) {
        // A text box may condense its line a little to fit; no more than the eye misses.
        const QFont fitted = qt::FormLayout::fitted(font, text, room.width());
        EXPECT_GE(fitted.stretch() == 0 ? 100 : fitted.stretch(), 92) << where;
        font = fitted;
        const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
        EXPECT_LE(ink.height(), layout.box(c).height()) << where;
    }
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    EXPECT_LE(width, room.width() + 0.01) << where << ": " << width << " px in " << room.width();
}

void check_glyphs(const qt::FormLayout& layout, const std::vector<forms::Label*>& glyphs,
                  const std::string& form) {
    std::vector<QRectF> boxes;
    for (forms::Label* l : glyphs) {
        const QRectF g = layout.glyph_box(*l);
        const QRect label = layout.box(*l);
        EXPECT_TRUE(QRectF(layout.visible(*l)).contains(g)) << form << "." << l->name();
        EXPECT_GE(g.height(), label.height() / 2) << form << "." << l->name();
        EXPECT_GE(g.width(), 5) << form << "." << l->name();
        for (const QRectF& other : boxes)  // at least a pixel of gap to every other glyph
            EXPECT_FALSE(g.adjusted(-1, 0, 1, 0).intersects(other)) << form << "." << l->name();
        boxes.push_back(g);
    }
}

TEST(Legibility, EveryTextOfEveryWindowFitsItsRoomAndTheGlyphsFillTheirLabels) {
    qt::QtFront front(g_argc, g_argv);  // the fonts, as the program has them
    VirtualLoop loop;
    media::VirtualPlayer media(loop, [](const std::string&) { return 0.0; });
    app::Options options;
    options.home = ::testing::TempDir();
    options.screen_name = "Reader";
    app::Program program(loop, media, options);
    program.env.set_input_box(
        [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
    program.start();
    program.form1.Label3->user_click();  // the folder chooser too
    // Labels that move by themselves are titles that scroll through their strip: not boxes.
    std::map<forms::Control*, float> lefts;
    for (forms::Form* f : program.env.forms())
        for (const auto& c : f->controls()) lefts[c.get()] = c->left();
    loop.advance(0.1);

    int checked_forms = 0, checked_texts = 0, checked_glyphs = 0;
    for (forms::Form* f : program.env.forms()) {
        if (!f->loaded()) continue;
        ++checked_forms;
        const qt::FormLayout layout(*f, kTwipsPerPixel);
        std::vector<forms::Label*> glyphs;
        for (const auto& c : f->controls()) {
            const bool text_kind =
                c->kind() == forms::Kind::Label || c->kind() == forms::Kind::TextBox;
            if (!text_kind || !c->visible() || c->left() != lefts[c.get()]) continue;
            if (qt::FormLayout::is_glyph(*c)) {
                glyphs.push_back(static_cast<forms::Label*>(c.get()));
                continue;
            }
            const std::string where = f->name() + "." + c->name();
            std::vector<std::string> texts = {""};
            if (auto it = kRunTimeTexts.find(c->name()); it != kRunTimeTexts.end())
                texts = it->second;
            for (const std::string& t : texts) {
                if (auto* box = dynamic_cast<forms::TextBox*>(c.get()); box && !t.empty())
                    box->set_text(t);
                if (auto* label = dynamic_cast<forms::Label*>(c.get()); label && !t.empty())
                    label->set_caption(t);
                check_text(layout, *c, where + " \"" + (t.empty() ? "as designed" : t) + "\"");
                ++checked_texts;
            }
        }
        check_glyphs(layout, glyphs, f->name());
        checked_glyphs += static_cast<int>(glyphs.size());
    }
    EXPECT_EQ(checked_forms, 2);
    EXPECT_GE(checked_texts, 20);
    EXPECT_EQ(checked_glyphs, 5);
}

}  // namespace
}  // namespace rv
