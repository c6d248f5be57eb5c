#include "ui/window_behaviour.h"

#include <cmath>

#include "platform/forms/environment.h"

namespace rv::ui {

void PaintGradient(forms::PictureBox& surface, Color from_colour, Color to_colour) {
    const auto saved_scale = surface.scale_mode();
    const int saved_style = surface.draw_style();
    const bool saved_redraw = surface.auto_redraw();
    surface.set_scale_mode(forms::ScaleMode::Pixels);

    const float start[3] = {static_cast<float>(forms::red_of(from_colour)),
                            static_cast<float>(forms::green_of(from_colour)),
                            static_cast<float>(forms::blue_of(from_colour))};
    const float end[3] = {static_cast<float>(forms::red_of(to_colour)),
                          static_cast<float>(forms::green_of(to_colour)),
                          static_cast<float>(forms::blue_of(to_colour))};
    const auto w = static_cast<std::int16_t>(surface.scale_width());
    if (w >= 1) {
        float step[3], value[3];
        for (int c = 0; c < 3; ++c) {
            step[c] = (end[c] - start[c]) / static_cast<float>(w);
            value[c] = start[c];
        }
        surface.set_draw_style(5);
        surface.set_auto_redraw(true);
        // The column height is the height property in twips used as pixels: always past
        // the bottom edge.
        const float h = surface.height();
        for (int i = 0; i <= w + 1; ++i) {
            int channel[3];
            for (int c = 0; c < 3; ++c) {
                value[c] += step[c];
                if (value[c] < 0) value[c] = 0;
                // Halves to the even neighbour (the default rounding mode).
                auto r = static_cast<long>(std::nearbyint(value[c]));
                channel[c] = r > 255 ? 255 : static_cast<int>(r);
            }
            const auto x = static_cast<float>(i - 2);
            surface.fill_box(x, -2, x, h + 2, forms::rgb(channel[0], channel[1], channel[2]));
        }
    }
    surface.set_scale_mode(saved_scale);
    surface.set_draw_style(saved_style);
    surface.set_auto_redraw(saved_redraw);
}

void MakeTopmost(forms::Form& window) {
    window.set_topmost(true);
}
void MakeNotTopmost(forms::Form& window) {
    window.set_topmost(false);
}

namespace {
float surface_left(const forms::Control* surface) {
    return surface ? surface->abs_left() : 0.0f;
}
float surface_top(const forms::Control* surface) {
    return surface ? surface->abs_top() : 0.0f;
}
}  // namespace

void DragDown(DragState& s, const forms::Control* surface, float x, float y) {
    s.dragging = -1;
    s.dragStartX = x;
    s.dragStartY = y;
    s.grabX = surface_left(surface) + x;
    s.grabY = surface_top(surface) + y;
}

void DragMove(forms::Form& window, const forms::Control* surface, const DragState& s, float x,
              float y) {
    if (!s.dragging) return;
    // Where the pointer is now, in the window's client twips, taken from where the surface
    // is now: the window moves by the pointer's travel, never by the surface's own.
    window.set_left(window.left() + (surface_left(surface) + x - s.grabX));
    window.set_top(window.top() + (surface_top(surface) + y - s.grabY));
}

void DragUp(DragState& s) {
    s.dragging = 0;
}

void MakeDragSurface(forms::Control& surface, forms::Form& window, DragState& s) {
    surface.on_mouse_down = [&surface, &window, &s](int, int, float x, float y) {
        DragDown(s, &surface, x, y);
        window.request_window_move();
    };
    surface.on_mouse_move = [&surface, &window, &s](int, int, float x, float y) {
        DragMove(window, &surface, s, x, y);
    };
    surface.on_mouse_up = [&s](int, int, float, float) { DragUp(s); };
}

void MakeDragSurface(forms::Form& window, DragState& s) {
    window.on_mouse_down = [&window, &s](int, int, float x, float y) {
        DragDown(s, nullptr, x, y);
        window.request_window_move();
    };
    window.on_mouse_move = [&window, &s](int, int, float x, float y) {
        DragMove(window, nullptr, s, x, y);
    };
    window.on_mouse_up = [&s](int, int, float, float) { DragUp(s); };
}

void MarqueeTick(forms::Label& moving, float threshold_width, float reentry_width) {
    // Nothing to do for either once done.
    moving.ZOrder(1);
    moving.set_scrolls(true);
    if (moving.left() < -threshold_width) {
        moving.set_left(reentry_width - 1);
        moving.set_left(moving.left() - 5);
    } else {
        moving.set_left(moving.left() - 10);
    }
}

void SlideOffScreen(forms::Form& window) {
    EventLoop& loop = window.env().loop();
    do {
        loop.pump();
        window.set_left(std::floor(window.left()) + 300);
    } while (!(window.left() > window.env().screen_width_twips()));
}

void SlideAway(forms::Form& window) {
    const float left = window.left();
    SlideOffScreen(window);
    // Hidden first: the window is never drawn back at its old place before it is shown.
    window.Hide();
    window.set_left(left);
}

}  // namespace rv::ui
