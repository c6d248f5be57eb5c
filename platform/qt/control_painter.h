#pragma once
#include <QPixmap>
#include <QRect>
#include <cstdint>
#include <map>
#include <utility>

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/text_sprites.h"

class QColor;
class QPainter;

namespace rv::qt {

// Draws one control of a window as the old forms showed it, each kind in its own way; texts
// come from the window's sprites, pictures are turned into pixmaps once per change.
class ControlPainter {
  public:
    // Texts are measured through `measures` and drawn from `sprites`.
    ControlPainter(const FormLayout& layout, TextMeasures& measures, TextSprites& sprites)
        : m_layout(layout), m_measures(measures), m_sprites(sprites) {}

    // Draws `c`, whose box in the window is `box`, with `p` (already cut to where it may draw).
    void draw(QPainter& p, forms::Control& c, const QRect& box);
    // Forgets the pictures it made: the controls they belong to are gone.
    void clear() { m_images.clear(); }

  private:
    void draw_label(QPainter& p, forms::Label& l, const QRect& r, const QColor& fore);
    void draw_text_box(QPainter& p, forms::TextBox& t, const QRect& r);
    void draw_list(QPainter& p, forms::ListBase& l, const QRect& r, const QColor& fore);
    void draw_picture(QPainter& p, forms::PictureBox& pic, const QRect& r);
    void draw_level(QPainter& p, forms::LevelBar& bar, const QRect& r);

    const FormLayout& m_layout;
    TextMeasures& m_measures;
    TextSprites& m_sprites;
    std::map<const forms::PictureBox*, std::pair<std::uint64_t, QPixmap>> m_images;
};

}  // namespace rv::qt
