#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <memory>

class QWindow;

namespace rv::qt {

// Asks the X server to keep the window's hidden parts and put them back itself when they are
// uncovered; false where there is no X server.
bool keep_hidden_parts(QWindow& window);

// A window's moving caption, composed by the X server. The strip it moves in (its stage) is
// sent once as two pictures, what lies under the caption and what lies over it, and the
// caption once as a picture of its own; each step is then a handful of small requests with
// no pixels in them: the stage's backdrop is copied to a scratch picture, the caption is laid
// over it, cut to where it may show, the controls above it over that, and the strip copied
// to the window. The window's own painting stays with Qt; this only draws what Qt would.
class X11Canvas {
  public:
    // The window's canvas, or null when the window is not on an X server that can compose
    // (another platform, a pixel format it does not know, no RENDER).
    static std::unique_ptr<X11Canvas> attach(QWindow& window);
    ~X11Canvas();
    X11Canvas(const X11Canvas&) = delete;
    X11Canvas& operator=(const X11Canvas&) = delete;

    // The server's copies of one stage.
    class Scene {
      public:
        ~Scene();
        Scene(const Scene&) = delete;
        Scene& operator=(const Scene&) = delete;
        bool has_over() const { return m_over != 0; }

      private:
        friend class X11Canvas;
        explicit Scene(X11Canvas& canvas) : m_canvas(canvas) {}
        X11Canvas& m_canvas;
        QSize m_size;
        QSize m_sprite_size;
        std::uint32_t m_backdrop = 0, m_scratch = 0, m_sprite = 0, m_over = 0;  // pixmaps
        std::uint32_t m_scratch_clipped = 0, m_scratch_whole = 0;               // pictures
        std::uint32_t m_sprite_picture = 0, m_over_picture = 0;
        QRect m_clip;  // the scratch's clip as last set
    };
    // Sends a stage: `backdrop` (opaque, the stage's size), `sprite` (the caption, with alpha)
    // and `over` (with alpha, the stage's size; null when nothing lies over the caption).
    // Null when the server could not take it.
    std::unique_ptr<Scene> scene(const QImage& backdrop, const QImage& sprite, const QImage* over);
    // Redraws part of a stage's copies: `under` and `over` (when the scene has something over
    // its caption) at `at` in the stage. False when the server could not take it.
    bool patch(Scene& scene, QPoint at, const QImage& under, const QImage* over);
    // Shows the stage at `stage_at` in the window with its caption's picture at `sprite_at`,
    // seen only inside `clip` (both relative to the stage).
    void show(Scene& scene, QPoint stage_at, QPoint sprite_at, const QRect& clip);
    // Sends what is queued.
    void flush();

  private:
    struct Server;
    X11Canvas() = default;
    bool put(std::uint32_t drawable, std::uint32_t gc, std::uint8_t depth, const QImage& image,
             QPoint at = {});
    std::uint32_t picture(std::uint32_t drawable, std::uint32_t format);

    Server* m_server = nullptr;  // the connection and its formats, shared by every window
    std::uint32_t m_window = 0;
    std::uint8_t m_depth = 0;
    std::uint32_t m_window_format = 0;
    std::uint32_t m_gc = 0;          // for the window's depth
    std::uint32_t m_alpha_gc = 0;    // for 32-bit pixmaps
    std::uint32_t m_alpha_root = 0;  // a 32-bit pixmap to make that GC on
};

}  // namespace rv::qt
