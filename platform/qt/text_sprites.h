#pragma once
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <map>
#include <string>

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"

class QWidget;

namespace rv::qt {

// The texts of a window's labels and one-line boxes, each drawn once into a picture of its own
// and then only copied: shaping a text costs far more than copying it, and a marquee moves
// its caption many times a second while the text rarely changes.
class TextSprites {
  public:
    // A text's picture: where it lands, and its ink's box there.
    struct Sprite {
        std::string text;
        QFont font;
        QColor color;
        QPointF at;    // where the text's line begins
        int room = 0;  // a text box's room, which cuts its text
        QPixmap pixmap;
        QPoint origin;  // where the picture is drawn
        QRect ink;      // the drawn pixels' box, in the window
    };

    // Pictures are made for `surface`'s pixel ratio; texts are measured through `measures`.
    TextSprites(const FormLayout& layout, TextMeasures& measures, const QWidget& surface)
        : m_layout(layout), m_measures(measures), m_surface(surface) {}

    // The picture of a label whose box is `r`, drawn in `fore`; made afresh only when its
    // text, face, colour or the part of a pixel where it starts changed.
    const Sprite& label(forms::Label& l, const QRect& r, const QColor& fore);
    // The picture of the text of a one-line box whose box is `r`, made afresh when its text,
    // face, colour or room changed.
    const Sprite& box(forms::TextBox& t, const QRect& r, const QColor& fore);
    // Forgets every picture: the controls they belong to are gone.
    void clear() { m_sprites.clear(); }

  private:
    QPixmap new_canvas(QSize size) const;
    static QRect ink_of(const QPixmap& pixmap);

    const FormLayout& m_layout;
    TextMeasures& m_measures;
    const QWidget& m_surface;
    std::map<const forms::Control*, Sprite> m_sprites;
};

}  // namespace rv::qt
