#include "platform/qt/form_view_layout.h"

#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace rv::qt {

using namespace forms;

namespace {
// Below this the squeeze would show; a text needing more is cut instead.
constexpr int kNarrowestStretch = 80;
// The glyphs' share of their label's height, and the gap after each, in twips.
constexpr double kGlyphHeightShare = 0.55;
constexpr float kGlyphGapTwips = 30;
// Width for height of the glyph shapes with the most to show (two triangles and a bar).
constexpr double kGlyphWidest = 1.2;

bool shown_on_screen(const Control& c) {
    for (const Control* k = &c; k; k = k->container())
        if (!k->visible()) return false;
    return c.kind() != Kind::Timer;
}
}  // namespace

QFont qfont(const Font& f) {
    QString family = QString::fromStdString(f.name);
    if (f.name == "Arial")
        family = "Liberation Sans";
    else if (f.name == "Arial Narrow")
        family = "Liberation Sans Narrow";
    else if (f.name == "MS Sans Serif" || f.name == "Comic Sans MS")
        family = "DejaVu Sans";
    QFont q(family);
    // Tahoma has no free twin: DejaVu Sans shares its open, large-eyed shapes, and its
    // condensed cut comes closest to Tahoma's widths (plain DejaVu Sans where it is missing).
    if (f.name == "Tahoma") {
        q.setFamilies(
            QStringList{QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
        q.setStretch(QFont::SemiCondensed);
    }
    q.setPointSizeF(f.size);
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    return q;
}

namespace {
const std::string& text_of(const Control& c) {
    static const std::string kNone;
    if (c.kind() == Kind::Label) return static_cast<const Label&>(c).caption();
    if (c.kind() == Kind::TextBox) return static_cast<const TextBox&>(c).text();
    return kNone;
}
}  // namespace

TextMeasures::Entry& TextMeasures::entry(const Control& c) {
    auto [it, fresh] = m_entries.try_emplace(&c);
    Entry& e = it->second;
    if (fresh || !(e.font == c.font())) {
        e.font = c.font();
        e.qfont = qfont(e.font);
        e.line_height = QFontMetricsF(e.qfont).height();
        e.measured = false;
    }
    if (e.measured && e.text != text_of(c)) e.measured = false;
    return e;
}

const QFont& TextMeasures::font(const Control& c) {
    return entry(c).qfont;
}

double TextMeasures::width(const Control& c) {
    Entry& e = entry(c);
    if (!e.measured) {
        e.text = text_of(c);
        e.width = QFontMetricsF(e.qfont).horizontalAdvance(FormLayout::shown_text(c));
        e.measured = true;
    }
    return e.width;
}

double TextMeasures::line_height(const Control& c) {
    return entry(c).line_height;
}

int FormLayout::px(float twips) const {
    return static_cast<int>(std::lround(twips / m_tpp));
}

int FormLayout::list_row_height(const ListBase& l) const {
    // The classic list's line: the font's size and a fifth.
    return std::max(1, px(l.font().size * 20.0f * 1.2f));
}

QRect FormLayout::box(const Control& c) const {
    return QRect(px(c.abs_left()), px(c.abs_top()), px(c.width()), px(c.height()));
}

QRect FormLayout::visible(const Control& c) const {
    QRect r = box(c);
    for (const Control* k = c.container(); k; k = k->container()) r &= box(*k);
    return r & QRect(0, 0, px(m_form.width()), px(m_form.height()));
}

// The left edge of the nearest control of c's container to the right of `from` (twips, in
// the container) that reaches into the rows from `top` to `bottom`, where c draws; the
// container's or window's right edge when none.
float FormLayout::next_left(const Control& c, float from, float top, float bottom) const {
    float right = c.container() ? c.container()->width() : m_form.width();
    for (const auto& k : m_form.controls()) {
        if (k.get() == &c || k->container() != c.container() || !shown_on_screen(*k)) continue;
        const bool rows_meet = k->top() < bottom && top < k->top() + k->height();
        if (rows_meet && k->left() >= from) right = std::min(right, k->left());
    }
    return right;
}

QRect FormLayout::row_room(const Control& c, float right) const {
    QRect r = box(c);
    r.setRight(px(c.abs_left() + (right - c.left())) - 1);
    for (const Control* k = c.container(); k; k = k->container()) r &= box(*k);
    return r & QRect(0, 0, px(m_form.width()), px(m_form.height()));
}

QRect FormLayout::text_room(const Control& c) const {
    if (c.kind() == Kind::TextBox) return visible(c).adjusted(1, 0, -1, 0);
    if (c.kind() != Kind::Label) return visible(c);
    const float own_right = c.left() + c.width();
    double width = 0, height = 0;
    if (m_measures) {
        width = m_measures->width(c);
        height = m_measures->line_height(c);
    } else {
        const QFontMetricsF metrics(qfont(c.font()));
        width = metrics.horizontalAdvance(shown_text(c));
        height = metrics.height();
    }
    if (width <= box(c).width()) return visible(c);
    // The text's line, from the label's top.
    const float line = std::min(c.height(), static_cast<float>(height * m_tpp));
    return row_room(c, std::max(own_right, next_left(c, own_right, c.top(), c.top() + line)));
}

QString FormLayout::shown_text(const Control& c, int* mnemonic) {
    if (mnemonic) *mnemonic = -1;
    if (c.kind() == Kind::TextBox)
        return QString::fromStdString(static_cast<const TextBox&>(c).text());
    if (c.kind() != Kind::Label) return {};
    QString shown = QString::fromStdString(static_cast<const Label&>(c).caption());
    for (int i = 0; i + 1 < shown.size(); ++i) {
        if (shown[i] != '&') continue;
        shown.remove(i, 1);
        if (shown[i] != '&' && mnemonic && *mnemonic < 0) *mnemonic = i;
    }
    return shown;
}

QFont FormLayout::fitted(const QFont& font, const QString& text, double width) {
    const double natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural <= width || natural <= 0) return font;
    QFont narrow = font;
    const int stretch = static_cast<int>(std::floor(100.0 * width / natural));
    narrow.setStretch(std::max(kNarrowestStretch, stretch));
    return narrow;
}

bool FormLayout::is_glyph(const Control& c) {
    return c.kind() == Kind::Label && c.font().name == "Webdings";
}

QRectF FormLayout::glyph_box(const Label& l) const {
    const QRect label = box(l);
    const double h = std::round(label.height() * kGlyphHeightShare);
    const double top = label.top() + std::floor((label.height() - h) / 2);
    // The labels stand closer than they are wide: a glyph's room ends where the next begins.
    const float own_right = l.left() + l.width();
    const float top_twips = static_cast<float>(top * m_tpp) - (l.abs_top() - l.top());
    const float next =
        next_left(l, l.left() + 1, top_twips, top_twips + static_cast<float>(h * m_tpp));
    const QRect room = row_room(l, std::min(own_right, next));
    const double w = std::min(std::round(h * kGlyphWidest),
                              static_cast<double>(room.width() - px(kGlyphGapTwips)));
    return QRectF(room.left(), top, std::max(1.0, w), h);
}

}  // namespace rv::qt
