// The floor the program's idle is measured against: a bare frameless Qt window whose only
// work is one X server copy 20 times a second, the least a moving caption can cost on this
// machine and display. bench/run-cpu.sh runs it beside the program.
#include <xcb/xcb.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    qputenv("QT_XCB_NO_MITSHM", "1");  // as the program runs
    QApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        std::fprintf(stderr, "x11_floor: needs an X server\n");
        return 2;
    }
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(277, 145);
    window.show();
    xcb_connection_t* c = x11->connection();
    const auto win = static_cast<xcb_window_t>(window.winId());
    const xcb_pixmap_t strip = xcb_generate_id(c);
    const xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, win), nullptr);
    if (!geometry) return 2;
    xcb_create_pixmap(c, geometry->depth, strip, win, 400, 14);
    std::free(const_cast<xcb_get_geometry_reply_t*>(geometry));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t no_exposures = 0;
    xcb_create_gc(c, gc, win, XCB_GC_GRAPHICS_EXPOSURES, &no_exposures);
    int step = 0;
    QTimer frame;
    frame.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frame, &QTimer::timeout, [&] {
        step = (step + 1) % 200;
        xcb_copy_area(c, strip, win, gc, static_cast<std::int16_t>(step), 0, 60, 0, 200, 14);
        xcb_flush(c);
    });
    frame.start(50);
    return QApplication::exec();
}
