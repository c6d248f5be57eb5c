#include "platform/qt/x11_stage.h"

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace rv::qt {

namespace {

template <typename T>
struct Reply {
    Reply() = default;
    explicit Reply(T* reply) : p(reply) {}
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* p = nullptr;
    ~Reply() { std::free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

bool rgb_in_words(const xcb_render_directformat_t& d) {
    return d.red_shift == 16 && d.red_mask == 0xff && d.green_shift == 8 && d.green_mask == 0xff &&
           d.blue_shift == 0 && d.blue_mask == 0xff;
}

}  // namespace

// What the connection offers, looked up once: the picture formats of the visuals and the
// 32-bit format with alpha.
struct X11Canvas::Server {
    xcb_connection_t* c = nullptr;
    bool usable = false;
    xcb_render_pictformat_t argb = 0;
    std::uint32_t max_request_bytes = 0;
    Reply<xcb_render_query_pict_formats_reply_t> formats;

    // The format of `visual`, when its pixels are 8-bit red, green and blue in a 32-bit word
    // as QImage keeps them.
    xcb_render_pictformat_t format_of(xcb_visualid_t visual) const {
        auto screens = xcb_render_query_pict_formats_screens_iterator(formats.p);
        for (; screens.rem; xcb_render_pictscreen_next(&screens)) {
            auto depths = xcb_render_pictscreen_depths_iterator(screens.data);
            for (; depths.rem; xcb_render_pictdepth_next(&depths)) {
                const auto* v = xcb_render_pictdepth_visuals(depths.data);
                for (int i = 0; i < xcb_render_pictdepth_visuals_length(depths.data); ++i)
                    if (v[i].visual == visual && direct_rgb(v[i].format)) return v[i].format;
            }
        }
        return 0;
    }
    bool direct_rgb(xcb_render_pictformat_t id) const {
        const auto* f = xcb_render_query_pict_formats_formats(formats.p);
        for (int i = 0; i < xcb_render_query_pict_formats_formats_length(formats.p); ++i)
            if (f[i].id == id)
                return f[i].type == XCB_RENDER_PICT_TYPE_DIRECT && rgb_in_words(f[i].direct);
        return false;
    }
    // Whether images of `depth` travel as 32-bit words in this machine's byte order.
    bool word_pixels(std::uint8_t depth) const {
        const xcb_setup_t* setup = xcb_get_setup(c);
        const auto order =
            Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
        if (setup->image_byte_order != order) return false;
        auto it = xcb_setup_pixmap_formats_iterator(setup);
        for (; it.rem; xcb_format_next(&it))
            if (it.data->depth == depth) return it.data->bits_per_pixel == 32;
        return false;
    }

    // The one connection's, looked up on first use.
    static Server& of(xcb_connection_t* c) {
        static std::unique_ptr<Server> kept;
        if (kept && kept->c == c) return *kept;
        kept = std::make_unique<Server>();
        Server& s = *kept;
        s.c = c;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_render_id);
        if (!ext || !ext->present) return s;
        s.formats.p =
            xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr);
        if (!s.formats) return s;
        const auto* f = xcb_render_query_pict_formats_formats(s.formats.p);
        for (int i = 0; i < xcb_render_query_pict_formats_formats_length(s.formats.p); ++i) {
            const auto& d = f[i].direct;
            if (f[i].type == XCB_RENDER_PICT_TYPE_DIRECT && f[i].depth == 32 &&
                d.alpha_shift == 24 && d.alpha_mask == 0xff && rgb_in_words(d))
                s.argb = f[i].id;
        }
        s.max_request_bytes = xcb_get_maximum_request_length(c) * 4;
        s.usable = s.argb != 0 && s.word_pixels(32);
        return s;
    }
};

bool keep_hidden_parts(QWindow& window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return false;
    const std::uint32_t when_mapped = XCB_BACKING_STORE_WHEN_MAPPED;
    xcb_change_window_attributes(x11->connection(), static_cast<xcb_window_t>(window.winId()),
                                 XCB_CW_BACKING_STORE, &when_mapped);
    return true;
}

std::unique_ptr<X11Canvas> X11Canvas::attach(QWindow& window) {
    if (std::getenv("RAVELIN_NO_X11_STAGE")) return nullptr;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || window.devicePixelRatio() != 1.0) return nullptr;
    xcb_connection_t* c = x11->connection();
    Server& server = Server::of(c);
    if (!server.usable) return nullptr;
    const auto win = static_cast<xcb_window_t>(window.winId());
    Reply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, win), nullptr)};
    Reply<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, win), nullptr)};
    if (!geometry || !attributes) return nullptr;
    const xcb_render_pictformat_t format = server.format_of(attributes->visual);
    if (!format || !server.word_pixels(geometry->depth)) return nullptr;

    std::unique_ptr<X11Canvas> canvas(new X11Canvas);
    canvas->m_server = &server;
    canvas->m_window = win;
    canvas->m_depth = geometry->depth;
    canvas->m_window_format = format;
    // Copies raise no exposure events: nothing of the window is ever copied from.
    const std::uint32_t no_exposures = 0;
    canvas->m_gc = xcb_generate_id(c);
    xcb_create_gc(c, canvas->m_gc, win, XCB_GC_GRAPHICS_EXPOSURES, &no_exposures);
    canvas->m_alpha_root = xcb_generate_id(c);
    xcb_create_pixmap(c, 32, canvas->m_alpha_root, win, 1, 1);
    canvas->m_alpha_gc = xcb_generate_id(c);
    xcb_create_gc(c, canvas->m_alpha_gc, canvas->m_alpha_root, XCB_GC_GRAPHICS_EXPOSURES,
                  &no_exposures);
    return canvas;
}

X11Canvas::~X11Canvas() {
    xcb_connection_t* c = m_server->c;
    xcb_free_gc(c, m_gc);
    xcb_free_gc(c, m_alpha_gc);
    xcb_free_pixmap(c, m_alpha_root);
    xcb_flush(c);
}

X11Canvas::Scene::~Scene() {
    xcb_connection_t* c = m_canvas.m_server->c;
    for (std::uint32_t p : {m_scratch_clipped, m_scratch_whole, m_sprite_picture, m_over_picture})
        if (p) xcb_render_free_picture(c, p);
    for (std::uint32_t p : {m_backdrop, m_scratch, m_sprite, m_over})
        if (p) xcb_free_pixmap(c, p);
}

bool X11Canvas::put(std::uint32_t drawable, std::uint32_t gc, std::uint8_t depth,
                    const QImage& image, QPoint at) {
    xcb_connection_t* c = m_server->c;
    const auto stride = static_cast<std::uint32_t>(image.bytesPerLine());
    const std::uint32_t room = m_server->max_request_bytes - 64;
    if (image.isNull() || stride != static_cast<std::uint32_t>(image.width()) * 4 || stride > room)
        return false;
    // As many whole rows a request as the server takes.
    const int rows = static_cast<int>(room / stride);
    for (int y = 0; y < image.height(); y += rows) {
        const int n = std::min(rows, image.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc,
                      static_cast<std::uint16_t>(image.width()), static_cast<std::uint16_t>(n),
                      static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y() + y), 0,
                      depth, stride * static_cast<std::uint32_t>(n), image.constScanLine(y));
    }
    return true;
}

std::uint32_t X11Canvas::picture(std::uint32_t drawable, std::uint32_t format) {
    xcb_connection_t* c = m_server->c;
    const std::uint32_t id = xcb_generate_id(c);
    xcb_render_create_picture(c, id, drawable, format, 0, nullptr);
    return id;
}

std::unique_ptr<X11Canvas::Scene> X11Canvas::scene(const QImage& backdrop, const QImage& sprite,
                                                   const QImage* over) {
    xcb_connection_t* c = m_server->c;
    const QSize size = backdrop.size();
    if (size.isEmpty() || sprite.isNull() || size.width() > 0x7fff || size.height() > 0x7fff ||
        sprite.width() > 0x7fff || sprite.height() > 0x7fff)
        return nullptr;
    const QImage back = backdrop.convertToFormat(QImage::Format_RGB32);
    const QImage spr = sprite.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage top;
    if (over) top = over->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::unique_ptr<Scene> s(new Scene(*this));
    s->m_size = size;
    s->m_sprite_size = spr.size();
    auto pixmap = [&](std::uint8_t depth, QSize sz) {
        const std::uint32_t id = xcb_generate_id(c);
        xcb_create_pixmap(c, depth, id, m_window, static_cast<std::uint16_t>(sz.width()),
                          static_cast<std::uint16_t>(sz.height()));
        return id;
    };
    s->m_backdrop = pixmap(m_depth, size);
    s->m_scratch = pixmap(m_depth, size);
    s->m_sprite = pixmap(32, spr.size());
    if (!put(s->m_backdrop, m_gc, m_depth, back) || !put(s->m_sprite, m_alpha_gc, 32, spr))
        return nullptr;
    s->m_scratch_clipped = picture(s->m_scratch, m_window_format);
    s->m_scratch_whole = picture(s->m_scratch, m_window_format);
    s->m_sprite_picture = picture(s->m_sprite, m_server->argb);
    if (over) {
        s->m_over = pixmap(32, size);
        if (!put(s->m_over, m_alpha_gc, 32, top)) return nullptr;
        s->m_over_picture = picture(s->m_over, m_server->argb);
    }
    return s;
}

bool X11Canvas::patch(Scene& s, QPoint at, const QImage& under, const QImage* over) {
    if (!QRect(QPoint(), s.m_size).contains(QRect(at, under.size()))) return false;
    if (!put(s.m_backdrop, m_gc, m_depth, under.convertToFormat(QImage::Format_RGB32), at))
        return false;
    if (!s.m_over) return true;
    if (!over) return false;
    return put(s.m_over, m_alpha_gc, 32, over->convertToFormat(QImage::Format_ARGB32_Premultiplied),
               at);
}

void X11Canvas::show(Scene& s, QPoint stage_at, QPoint sprite_at, const QRect& clip) {
    xcb_connection_t* c = m_server->c;
    const auto w = static_cast<std::uint16_t>(s.m_size.width());
    const auto h = static_cast<std::uint16_t>(s.m_size.height());
    xcb_copy_area(c, s.m_backdrop, s.m_scratch, m_gc, 0, 0, 0, 0, w, h);
    const QRect seen = clip & QRect(QPoint(), s.m_size);
    const QRect drawn = QRect(sprite_at, s.m_sprite_size) & seen;
    if (!drawn.isEmpty()) {
        if (seen != s.m_clip) {
            const xcb_rectangle_t r{static_cast<std::int16_t>(seen.x()),
                                    static_cast<std::int16_t>(seen.y()),
                                    static_cast<std::uint16_t>(seen.width()),
                                    static_cast<std::uint16_t>(seen.height())};
            xcb_render_set_picture_clip_rectangles(c, s.m_scratch_clipped, 0, 0, 1, &r);
            s.m_clip = seen;
        }
        xcb_render_composite(
            c, XCB_RENDER_PICT_OP_OVER, s.m_sprite_picture, XCB_NONE, s.m_scratch_clipped,
            static_cast<std::int16_t>(drawn.x() - sprite_at.x()),
            static_cast<std::int16_t>(drawn.y() - sprite_at.y()), 0, 0,
            static_cast<std::int16_t>(drawn.x()), static_cast<std::int16_t>(drawn.y()),
            static_cast<std::uint16_t>(drawn.width()), static_cast<std::uint16_t>(drawn.height()));
    }
    if (s.m_over_picture)
        xcb_render_composite(c, XCB_RENDER_PICT_OP_OVER, s.m_over_picture, XCB_NONE,
                             s.m_scratch_whole, 0, 0, 0, 0, 0, 0, w, h);
    xcb_copy_area(c, s.m_scratch, m_window, m_gc, 0, 0, static_cast<std::int16_t>(stage_at.x()),
                  static_cast<std::int16_t>(stage_at.y()), w, h);
}

void X11Canvas::flush() {
    xcb_flush(m_server->c);
}

}  // namespace rv::qt
