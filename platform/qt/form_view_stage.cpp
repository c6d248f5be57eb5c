// The moving captions of a window, composed by the X server: which labels it takes, the
// copies of their stages it keeps, and how a change elsewhere reaches those copies.
#include <QPainter>
#include <QPlainTextEdit>
#include <QWindow>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/qt/form_view.h"
#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

bool FormView::composed(const Control& c) const {
    // A label the server moves does not hide what changes under it: its copies need that.
    if (c.kind() != Kind::Label) return false;
    auto it = m_movers.find(const_cast<Label*>(static_cast<const Label*>(&c)));
    return it != m_movers.end() && it->second.scene;
}

void FormView::invalidate(const QRegion& r) {
    if (r.isEmpty()) return;
    m_pending += r;
    // Qt draws what changed; the server's copies of a stage it lies in are brought up to
    // date before the next step.
    for (auto& [label, m] : m_movers)
        if (m.scene && r.intersects(m.stage)) m.stale += r & m.stage;
}

void FormView::drop_scene(Mover& m) {
    if (!m.scene) return;
    m.scene.reset();
    m.stale = QRegion();
    // Qt's picture of the stage is stale where the server drew.
    invalidate(m.stage);
}

void FormView::paint_pending() {
    const QRegion region = std::exchange(m_pending, QRegion());
    if (!region.isEmpty() && isVisible()) repaint(region);
    compose_movers();
}

void FormView::forget_scenes() {
    for (auto& [label, m] : m_movers) {
        m.scene.reset();
        m.stale = QRegion();
    }
}

bool FormView::attach_canvas() {
    // The window's own handle: the widget's may still name the one it had before.
    QWindow* handle = windowHandle();
    const WId id = handle ? handle->winId() : 0;
    if (m_canvas && m_canvas_window == id) return true;
    // A change of window flags makes a new native window: copies of the old one's go.
    forget_scenes();
    m_canvas.reset();
    if (!isVisible() || !handle) return false;
    // A window the server cannot compose on is asked again at the next steps, a few times.
    if (id != m_refused_window) m_attach_failures = 0;
    if (m_attach_failures >= kAttachTries) return false;
    m_canvas = X11Canvas::attach(*handle);
    if (!m_canvas) {
        m_refused_window = id;
        ++m_attach_failures;
        return false;
    }
    m_canvas_window = id;
    // An exposed window is drawn from Qt's picture of it, which the server's steps left
    // behind: the stages are painted afresh first.
    if (handle != m_watched_window) {
        handle->installEventFilter(this);
        m_watched_window = handle;
    }
    return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_watched_window && e->type() == QEvent::Expose) {
        for (auto& [label, m] : m_movers) {
            if (!m.scene) continue;
            m.scene.reset();
            m.stale = QRegion();
            update(m.stage);
        }
    }
    return QWidget::eventFilter(watched, e);
}

QRect FormView::stage_of(const Label& l) const {
    const QRect window(QPoint(), size());
    const QRect room = l.container() ? layout().visible(*l.container()) & window : window;
    // The band the label moves along: what changes above or below it is none of its steps'.
    const QRect clip = clip_of(l);
    return room & QRect(0, clip.top(), width(), clip.height());
}

bool FormView::compose_move(Label& l) {
    // A minimised or covered-up window is left to Qt, which paints nothing it cannot show.
    if (!windowHandle() || !windowHandle()->isExposed()) return false;
    if (webdings_shape(l) || !drawn(l) || !attach_canvas()) return false;
    Mover& m = m_movers[&l];
    if (m.refused) return false;
    const QRect stage = stage_of(l);
    bool fits = !stage.isEmpty() && stage.contains(clip_of(l));
    for (const auto& [box, editor] : m_editors)
        fits = fits && !(editor->isVisible() && editor->geometry().intersects(stage));
    if (!fits || (m.scene && (m.stage != stage || m.box_size != rect_of(l).size()))) {
        drop_scene(m);
        m.moved = false;
        return false;
    }
    m.stage = stage;
    m.moved = true;
    return true;
}

bool FormView::render_layers(const Label& l, const QRect& area, QImage& under, QImage& over) {
    under = QImage(area.size(), QImage::Format_RGB32);
    over = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
    over.fill(Qt::transparent);
    bool anything_over = false;
    QPainter pu(&under), po(&over);
    pu.translate(-area.topLeft());
    po.translate(-area.topLeft());
    pu.fillRect(area, qcolor(m_form.back_color()));
    QPainter* p = &pu;
    for (Control* c : m_form.paint_order()) {
        if (c == &l) {
            p = &po;
            continue;
        }
        if (!drawn(*c) || !footprint(*c).intersects(area)) continue;
        anything_over = anything_over || p == &po;
        p->save();
        p->setClipRect(clip_of(*c));
        draw(*p, *c);
        p->restore();
    }
    return anything_over;
}

std::unique_ptr<X11Canvas::Scene> FormView::build_scene(Label& l, Mover& m) {
    const QRect box = rect_of(l);
    QRect area = box;
    if (!webdings_shape(l)) {
        const Sprite& s = label_sprite(l, box, fore_of(l));
        area |= QRect(s.origin, s.pixmap.deviceIndependentSize().toSize());
    }
    QImage sprite(area.size(), QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    {
        QPainter p(&sprite);
        p.translate(-area.topLeft());
        draw(p, l);
    }
    // What lies under the label and what over it, in the order the window paints them.
    QImage under, over;
    const bool anything_over = render_layers(l, m.stage, under, over);
    m.box_size = box.size();
    m.sprite_offset = area.topLeft() - box.topLeft();
    m.stale = QRegion();
    return m_canvas->scene(under, sprite, anything_over ? &over : nullptr);
}

bool FormView::patch_scene(Label& l, Mover& m) {
    const QRegion stale = std::exchange(m.stale, QRegion()) & m.stage;
    // Each changed part on its own (bars side by side), unless they are many.
    const std::vector<QRect> parts = stale.rectCount() <= 8
                                         ? std::vector<QRect>(stale.begin(), stale.end())
                                         : std::vector<QRect>{stale.boundingRect()};
    for (const QRect& area : parts) {
        QImage under, over;
        const bool anything_over = render_layers(l, area, under, over);
        // Something now lies over a label that had nothing over it: copies made afresh.
        if (anything_over && !m.scene->has_over()) return false;
        if (!m_canvas->patch(*m.scene, area.topLeft() - m.stage.topLeft(), under,
                             m.scene->has_over() ? &over : nullptr))
            return false;
    }
    return true;
}

void FormView::compose_movers() {
    bool sent = false;
    for (auto& [label, m] : m_movers) {
        if (!std::exchange(m.moved, false)) continue;
        if (!isVisible()) continue;
        if (!attach_canvas()) {
            repaint(m.stage);
            continue;
        }
        if (m.scene && !m.stale.isEmpty() && !patch_scene(*label, m)) m.scene.reset();
        if (!m.scene) m.scene = build_scene(*label, m);
        if (!m.scene) {
            std::fprintf(stderr,
                         "ravelin: the X server could not take a moving caption; "
                         "Qt draws it\n");
            m.refused = true;
            repaint(m.stage);
            continue;
        }
        const QPoint at = rect_of(*label).topLeft() + m.sprite_offset - m.stage.topLeft();
        m_canvas->show(*m.scene, m.stage.topLeft(), at,
                       clip_of(*label).translated(-m.stage.topLeft()));
        sent = true;
    }
    if (sent) m_canvas->flush();
}

}  // namespace rv::qt
