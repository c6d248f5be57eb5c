#pragma once
#include <cstdint>
#include <vector>

#include "platform/forms/control.h"

namespace rv::forms {

enum class ScaleMode { Twips = 1, Pixels = 3 };

// A drawing surface with a persistent image: what is drawn stays until cleared.
class PictureBox : public Control {
  public:
    PictureBox(Form& f, std::string name, Control* container)
        : Control(f, Kind::PictureBox, std::move(name), container) {}
    ScaleMode scale_mode() const { return m_scale; }
    void set_scale_mode(ScaleMode s) { m_scale = s; }
    int draw_style() const { return m_draw_style; }
    void set_draw_style(int s) { m_draw_style = s; }
    bool auto_redraw() const { return m_auto_redraw; }
    void set_auto_redraw(bool v) { m_auto_redraw = v; }
    bool has_border() const { return m_border; }
    void set_border(bool v) { m_border = v; }

    // Inner size in the current scale.
    float scale_width() const;
    float scale_height() const;

    // Filled box between two corners (inclusive) in the current scale, clipped to the surface.
    void fill_box(float x1, float y1, float x2, float y2, Color c);
    void clear_image();

    // The persistent image, pixels_wide() x pixels_high(), row-major 0x00BBGGRR;
    // empty while nothing was drawn.
    const std::vector<Color>& image() const { return m_image; }
    int pixels_wide() const;
    int pixels_high() const;
    std::uint64_t image_version() const { return m_image_version; }

  private:
    ScaleMode m_scale = ScaleMode::Twips;
    int m_draw_style = 0;
    bool m_auto_redraw = false;
    bool m_border = false;
    std::vector<Color> m_image;
    int m_image_w = 0, m_image_h = 0;
    std::uint64_t m_image_version = 0;
};

}  // namespace rv::forms
