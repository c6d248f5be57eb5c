#include "platform/forms/picture.h"

#include <algorithm>
#include <cmath>

namespace rv::forms {

int PictureBox::pixels_wide() const {
    float inner = width() - (m_border ? 4 * kTwipsPerPixel : 0);
    return std::max(0, static_cast<int>(inner / kTwipsPerPixel));
}
int PictureBox::pixels_high() const {
    float inner = height() - (m_border ? 4 * kTwipsPerPixel : 0);
    return std::max(0, static_cast<int>(inner / kTwipsPerPixel));
}

float PictureBox::scale_width() const {
    return m_scale == ScaleMode::Pixels ? static_cast<float>(pixels_wide())
                                        : pixels_wide() * kTwipsPerPixel;
}
float PictureBox::scale_height() const {
    return m_scale == ScaleMode::Pixels ? static_cast<float>(pixels_high())
                                        : pixels_high() * kTwipsPerPixel;
}

void PictureBox::fill_box(float x1, float y1, float x2, float y2, Color c) {
    int w = pixels_wide(), h = pixels_high();
    if (w <= 0 || h <= 0) return;
    if (m_image_w != w || m_image_h != h || m_image.empty()) {
        m_image.assign(static_cast<std::size_t>(w) * h, resolve_color(back_color()));
        m_image_w = w;
        m_image_h = h;
    }
    float k = m_scale == ScaleMode::Pixels ? 1.0f : 1.0f / kTwipsPerPixel;
    auto px = [k](float v) { return static_cast<long>(std::lround(v * k)); };
    long ax = std::max(0L, std::min(px(x1), px(x2)));
    long bx = std::min<long>(w - 1, std::max(px(x1), px(x2)));
    long ay = std::max(0L, std::min(px(y1), px(y2)));
    long by = std::min<long>(h - 1, std::max(px(y1), px(y2)));
    if (ax > bx || ay > by) return;
    Color rgb = resolve_color(c);
    for (long y = ay; y <= by; ++y)
        std::fill(m_image.begin() + y * w + ax, m_image.begin() + y * w + bx + 1, rgb);
    ++m_image_version;
    changed();
}

void PictureBox::clear_image() {
    m_image.clear();
    ++m_image_version;
    changed();
}

}  // namespace rv::forms
