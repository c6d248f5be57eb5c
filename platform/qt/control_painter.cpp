#include "platform/qt/control_painter.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

namespace {

// The Webdings player glyphs, drawn as shapes filling `box`.
bool draw_webdings(QPainter& p, const QRectF& box, const std::string& glyph, const QColor& c) {
    const double x = box.left(), y = box.top(), w = box.width(), h = box.height();
    QPainterPath path;
    // A triangle from x0 to x1 (fractions of the width), pointing right or left.
    auto tri = [&](double x0, double x1, bool right) {
        const double tip = right ? x1 : x0, base = right ? x0 : x1;
        path.moveTo(x + w * base, y);
        path.lineTo(x + w * tip, y + h / 2);
        path.lineTo(x + w * base, y + h);
        path.closeSubpath();
    };
    if (glyph == "4")
        tri(0, 1, true);
    else if (glyph == ";") {
        const double bar = std::max(1.0, std::round(w * 0.36));
        path.addRect(x, y, bar, h);
        path.addRect(x + w - bar, y, bar, h);
    } else if (glyph == "<")
        path.addRect(x, y, w, h);
    else if (glyph == "9") {
        path.addRect(x, y, std::max(1.0, w * 0.15), h);
        tri(0.15, 0.575, false);
        tri(0.575, 1, false);
    } else if (glyph == ":") {
        tri(0, 0.425, true);
        tri(0.425, 0.85, true);
        path.addRect(x + w * 0.85, y, std::max(1.0, w * 0.15), h);
    } else
        return false;
    p.fillPath(path, c);
    return true;
}

}  // namespace

void ControlPainter::draw(QPainter& p, Control& c, const QRect& r) {
    const QColor fore = fore_of(c);
    p.setFont(m_measures.font(c));
    p.setPen(fore);
    switch (c.kind()) {
        case Kind::Label:
            draw_label(p, static_cast<Label&>(c), r, fore);
            break;
        case Kind::Button: {
            auto& b = static_cast<Button&>(c);
            p.fillRect(r, qcolor(b.back_color()));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic,
                       QString::fromStdString(b.caption()));
            break;
        }
        case Kind::TextBox:
            draw_text_box(p, static_cast<TextBox&>(c), r);
            break;
        case Kind::ListBox:
        case Kind::FileListBox:
        case Kind::DirListBox:
        case Kind::DriveListBox:
            draw_list(p, static_cast<ListBase&>(c), r, fore);
            break;
        case Kind::PictureBox:
            draw_picture(p, static_cast<PictureBox&>(c), r);
            break;
        case Kind::LevelBar:
            draw_level(p, static_cast<LevelBar&>(c), r);
            break;
        default:
            break;
    }
}

void ControlPainter::draw_label(QPainter& p, Label& l, const QRect& r, const QColor& fore) {
    if (!l.transparent()) p.fillRect(r, qcolor(l.back_color()));
    if (webdings_shape(l) && draw_webdings(p, m_layout.glyph_box(l), l.caption(), fore)) return;
    const TextSprites::Sprite& s = m_sprites.label(l, r, fore);
    p.drawPixmap(s.origin, s.pixmap);
}

void ControlPainter::draw_text_box(QPainter& p, TextBox& t, const QRect& r) {
    p.fillRect(r, qcolor(t.back_color()));
    const QString text = QString::fromStdString(t.text());
    if (t.multi_line()) {
        p.drawText(r.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        return;
    }
    const TextSprites::Sprite& s = m_sprites.box(t, r, p.pen().color());
    p.drawPixmap(s.origin, s.pixmap);
}

void ControlPainter::draw_list(QPainter& p, ListBase& l, const QRect& r, const QColor& fore) {
    p.fillRect(r, qcolor(l.back_color()));
    const int line = m_layout.list_row_height(l);
    auto* dirs = dynamic_cast<DirListBox*>(&l);
    for (int row = 0; row * line < r.height(); ++row) {
        int i = l.top_index() + row;
        if (i >= l.list_count()) break;
        QRect lr(r.left(), r.top() + row * line, r.width(), line);
        bool selected = i == l.list_index();
        if (selected) p.fillRect(lr, QColor(10, 36, 106));
        p.setPen(selected ? QColor(255, 255, 255) : fore);
        int indent = dirs ? 2 + dirs->entry_depth(i) * 8 : 2;
        QString text = QString::fromStdString(l.item(i));
        if (dirs) text = (dirs->entry_open(i) ? "\u25BE " : "\u25B8 ") + text;
        p.drawText(lr.adjusted(indent, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void ControlPainter::draw_picture(QPainter& p, PictureBox& pic, const QRect& r) {
    p.fillRect(r, qcolor(pic.back_color()));
    if (pic.image().empty()) return;
    auto& cached = m_images[&pic];
    if (cached.first != pic.image_version() || cached.second.isNull()) {
        QImage img(pic.pixels_wide(), pic.pixels_high(), QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                Color v = pic.image()[static_cast<std::size_t>(y * img.width() + x)];
                line[x] = qRgb(red_of(v), green_of(v), blue_of(v));
            }
        }
        cached = {pic.image_version(), QPixmap::fromImage(img)};
    }
    // The image is in model pixels; a screen of another dpi scales it.
    p.drawPixmap(QRect(r.topLeft(), QSize(m_layout.px(pic.pixels_wide() * kTwipsPerPixel),
                                          m_layout.px(pic.pixels_high() * kTwipsPerPixel))),
                 cached.second);
}

void ControlPainter::draw_level(QPainter& p, LevelBar& bar, const QRect& r) {
    p.fillRect(r, qcolor(bar.back_color()));
    const int w = fill_width(bar, r);
    if (w <= 0) return;
    const QRect filled(r.left(), r.top(), w, r.height());
    if (bar.bar_color1() == bar.bar_color2()) {
        p.fillRect(filled, qcolor(bar.bar_color1()));
        return;
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, qcolor(bar.bar_color1()));
    g.setColorAt(1, qcolor(bar.bar_color2()));
    p.fillRect(filled, g);
}

}  // namespace rv::qt
