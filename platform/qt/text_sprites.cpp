#include "platform/qt/text_sprites.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>

namespace rv::qt {

using namespace forms;

namespace {

// Room around a text's line for the ink of slanted or overhanging glyphs.
int sprite_margin(const QFont& f) {
    return 2 + static_cast<int>(std::ceil(QFontMetricsF(f).height() / 4));
}

}  // namespace

QPixmap TextSprites::new_canvas(QSize size) const {
    const qreal ratio = m_surface.devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QRect TextSprites::ink_of(const QPixmap& pixmap) {
    const QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(line[x]) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    const qreal ratio = pixmap.devicePixelRatio();
    return QRectF(QPointF(left, top) / ratio, QPointF(right + 1, bottom + 1) / ratio)
        .toAlignedRect();
}

// A label's text is shaped and drawn once per text, face, colour and the part of a pixel
// where it starts; a moving title then only copies its picture.
const TextSprites::Sprite& TextSprites::label(Label& l, const QRect& r, const QColor& fore) {
    const QFont& font = m_measures.font(l);
    const double width = m_measures.width(l);
    double x = r.left();
    if (l.alignment() == Alignment::Center)
        x = r.left() + (r.width() - width) / 2;
    else if (l.alignment() == Alignment::Right)
        x = r.right() + 1 - width;
    const QPoint whole(static_cast<int>(std::floor(x)), r.top());
    const QPointF at(x - whole.x(), 0);
    const int margin = sprite_margin(font);
    Sprite& s = m_sprites[&l];
    if (!s.pixmap.isNull() && s.text == l.caption() && s.font == font && s.color == fore &&
        std::fabs(s.at.x() - at.x()) < 1e-6) {
        // The same picture, somewhere else.
        const QPoint shift = whole - QPoint(margin, margin) - s.origin;
        s.origin += shift;
        s.ink.translate(shift);
        return s;
    }
    int mnemonic = -1;
    const QString shown = FormLayout::shown_text(l, &mnemonic);
    const QFontMetricsF m(font);
    QPixmap pixmap = new_canvas(QSize(static_cast<int>(std::ceil(at.x() + width)) + 2 * margin + 1,
                                      static_cast<int>(std::ceil(m.height())) + 2 * margin));
    {
        QPainter q(&pixmap);
        q.setFont(font);
        q.setPen(fore);
        QStaticText text(shown);
        text.setTextFormat(Qt::PlainText);
        const QPointF start(margin + at.x(), margin);
        q.drawStaticText(start, text);
        if (mnemonic >= 0) {
            const double ux = start.x() + m.horizontalAdvance(shown.left(mnemonic));
            const double uw = m.horizontalAdvance(shown.mid(mnemonic, 1));
            const double y = start.y() + m.ascent() + 1.5;
            q.drawLine(QPointF(ux, y), QPointF(ux + uw, y));
        }
    }
    s.text = l.caption();
    s.font = font;
    s.color = fore;
    s.at = at;
    s.origin = whole - QPoint(margin, margin);
    s.ink = ink_of(pixmap).translated(s.origin);
    s.pixmap = std::move(pixmap);
    return s;
}

// A one-line box's text is laid out and drawn once per text, face, colour and room.
const TextSprites::Sprite& TextSprites::box(TextBox& t, const QRect& r, const QColor& fore) {
    const QRect room = m_layout.text_room(t);
    const QFont& font = m_measures.font(t);
    Sprite& s = m_sprites[&t];
    const QPoint origin(room.left(), r.top());
    if (!s.pixmap.isNull() && s.text == t.text() && s.font == font && s.color == fore &&
        s.room == room.width() &&
        s.pixmap.deviceIndependentSize().toSize() == QSize(room.width(), r.height())) {
        s.origin = origin;
        return s;
    }
    const QString text = QString::fromStdString(t.text());
    QPixmap pixmap = new_canvas(QSize(std::max(1, room.width()), std::max(1, r.height())));
    {
        QPainter q(&pixmap);
        // A line wider than the part of the box on the screen is condensed to fit it.
        q.setFont(FormLayout::fitted(font, text, room.width()));
        q.setPen(fore);
        q.drawText(QRect(0, 0, room.width(), r.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    s.text = t.text();
    s.font = font;
    s.color = fore;
    s.room = room.width();
    s.origin = origin;
    s.pixmap = std::move(pixmap);
    return s;
}

}  // namespace rv::qt
