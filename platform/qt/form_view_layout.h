#pragma once
// Where the view puts a control's pixels: boxes, the room a text has, the fitted face and the
// boxes of the player glyphs. Shared by the painter and the checks that every text fits.
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QString>
#include <string>
#include <unordered_map>

#include "platform/forms/form.h"

namespace rv::qt {

// The face the view draws a model font with: metric twins of the old faces.
QFont qfont(const forms::Font& f);

// A control's face and the size of its text, measured once per text and face: shaping a
// text costs far more than drawing it, and a window redraws its marquees many times a second
// while their texts rarely change.
class TextMeasures {
  public:
    const QFont& font(const forms::Control& c);
    // The advance of the control's shown text, and the height of its face's line.
    double width(const forms::Control& c);
    double line_height(const forms::Control& c);
    void clear() { m_entries.clear(); }

  private:
    struct Entry {
        forms::Font font;
        QFont qfont;
        double line_height = 0;
        std::string text;
        bool measured = false;
        double width = 0;
    };
    Entry& entry(const forms::Control& c);
    std::unordered_map<const forms::Control*, Entry> m_entries;
};

class FormLayout {
  public:
    // With `measures`, texts are measured through it, once each.
    FormLayout(const forms::Form& form, double twips_per_pixel, TextMeasures* measures = nullptr)
        : m_form(form), m_tpp(twips_per_pixel), m_measures(measures) {}

    int px(float twips) const;
    // The control's box in client pixels.
    QRect box(const forms::Control& c) const;
    // The height of a list's rows in whole pixels: rows are drawn at it from the top of the
    // list's box, and a press finds its row by it.
    int list_row_height(const forms::ListBase& l) const;
    // Its box cut to its containers' boxes and to the window's client area.
    QRect visible(const forms::Control& c) const;
    // The room a control's text may use: its visible box, less a pixel of margin on each side
    // for a text box. A label whose text is wider than its box also has the free space to its
    // right, up to the next control of its container on its row, the container's edge or
    // the window's.
    QRect text_room(const forms::Control& c) const;
    // The text as drawn (a label's "&m" shows "m" underlined; "&&" is one "&").
    static QString shown_text(const forms::Control& c, int* mnemonic = nullptr);
    // `font`, condensed just enough for `text` to fit `width` pixels; as it is when it fits.
    static QFont fitted(const QFont& font, const QString& text, double width);
    // A player glyph drawn as a shape: its box inside the label's room, as tall as most of
    // the label and as wide as its room leaves after a gap to the next glyph.
    QRectF glyph_box(const forms::Label& l) const;
    static bool is_glyph(const forms::Control& c);

  private:
    float next_left(const forms::Control& c, float from, float top, float bottom) const;
    QRect row_room(const forms::Control& c, float right_twips) const;

    const forms::Form& m_form;
    double m_tpp;
    TextMeasures* m_measures;
};

}  // namespace rv::qt
