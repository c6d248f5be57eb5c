// The moving captions of a window, composed by the X server: which labels it takes, the
// copies of their stages it keeps, and how a change elsewhere reaches those copies.
#include "platform/qt/caption_stage.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

CaptionStage::CaptionStage(const Form& form, QWidget& window, const FormLayout& layout,
                           ControlPlaces& places, ControlPainter& painter, TextSprites& sprites,
                           const MultiLineEditors& editors, DamageTracker& damage)
    : m_form(form),
      m_window(window),
      m_layout(layout),
      m_places(places),
      m_painter(painter),
      m_sprites(sprites),
      m_editors(editors),
      m_damage(damage) {}

bool CaptionStage::composed(const Control& c) const {
    if (c.kind() != Kind::Label) return false;
    auto it = m_movers.find(const_cast<Label*>(static_cast<const Label*>(&c)));
    return it != m_movers.end() && it->second.scene;
}

void CaptionStage::damaged(const QRegion& r) {
    for (auto& [label, m] : m_movers)
        if (m.scene && r.intersects(m.stage)) m.stale += r & m.stage;
}

bool CaptionStage::take_step(Label& l, const QRect& touched) {
    if (!compose_move(l)) return false;
    // Another moving label's copies hold this one where it was.
    for (auto& [label, m] : m_movers)
        if (label != &l && m.scene) m.stale += touched & m.stage;
    return true;
}

void CaptionStage::restage(Control& c) {
    if (c.kind() != Kind::Label) return;
    if (auto mv = m_movers.find(static_cast<Label*>(&c)); mv != m_movers.end())
        drop_scene(mv->second);
}

void CaptionStage::drop_scene(Mover& m) {
    if (!m.scene) return;
    m.scene.reset();
    m.stale = QRegion();
    // Qt's picture of the stage is stale where the server drew.
    m_damage.invalidate(m.stage);
}

void CaptionStage::forget_scenes() {
    for (auto& [label, m] : m_movers) {
        m.scene.reset();
        m.stale = QRegion();
    }
}

bool CaptionStage::attach_canvas() {
    // The window's own handle: the widget's may still name the one it had before.
    QWindow* handle = m_window.windowHandle();
    const WId id = handle ? handle->winId() : 0;
    if (m_canvas && m_canvas_window == id) return true;
    // A change of window flags makes a new native window: copies of the old one's go.
    forget_scenes();
    m_canvas.reset();
    if (!m_window.isVisible() || !handle) return false;
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

bool CaptionStage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_watched_window && e->type() == QEvent::Expose) {
        for (auto& [label, m] : m_movers) {
            if (!m.scene) continue;
            m.scene.reset();
            m.stale = QRegion();
            m_window.update(m.stage);
        }
    }
    return QObject::eventFilter(watched, e);
}

QRect CaptionStage::stage_of(const Label& l) const {
    const QRect window(QPoint(), m_window.size());
    const QRect room = l.container() ? m_layout.visible(*l.container()) & window : window;
    // The band the label moves along: what changes above or below it is none of its steps'.
    const QRect clip = m_places.clip(l);
    return room & QRect(0, clip.top(), m_window.width(), clip.height());
}

bool CaptionStage::compose_move(Label& l) {
    // A minimised or covered-up window is left to Qt, which paints nothing it cannot show.
    QWindow* handle = m_window.windowHandle();
    if (!handle || !handle->isExposed()) return false;
    if (webdings_shape(l) || !drawn(l) || !attach_canvas()) return false;
    Mover& m = m_movers[&l];
    if (m.refused) return false;
    const QRect stage = stage_of(l);
    const bool fits =
        !stage.isEmpty() && stage.contains(m_places.clip(l)) && !m_editors.overlaps(stage);
    if (!fits || (m.scene && (m.stage != stage || m.box_size != m_places.box(l).size()))) {
        drop_scene(m);
        m.moved = false;
        return false;
    }
    m.stage = stage;
    m.moved = true;
    return true;
}

bool CaptionStage::render_layers(const Label& l, const QRect& area, QImage& under, QImage& over) {
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
        if (!drawn(*c) || !m_places.footprint(*c).intersects(area)) continue;
        anything_over = anything_over || p == &po;
        p->save();
        p->setClipRect(m_places.clip(*c));
        m_painter.draw(*p, *c, m_places.box(*c));
        p->restore();
    }
    return anything_over;
}

std::unique_ptr<X11Canvas::Scene> CaptionStage::build_scene(Label& l, Mover& m) {
    const QRect box = m_places.box(l);
    QRect area = box;
    if (!webdings_shape(l)) {
        const TextSprites::Sprite& s = m_sprites.label(l, box, fore_of(l));
        area |= QRect(s.origin, s.pixmap.deviceIndependentSize().toSize());
    }
    QImage sprite(area.size(), QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    {
        QPainter p(&sprite);
        p.translate(-area.topLeft());
        m_painter.draw(p, l, box);
    }
    // What lies under the label and what over it, in the order the window paints them.
    QImage under, over;
    const bool anything_over = render_layers(l, m.stage, under, over);
    m.box_size = box.size();
    m.sprite_offset = area.topLeft() - box.topLeft();
    m.stale = QRegion();
    return m_canvas->scene(under, sprite, anything_over ? &over : nullptr);
}

bool CaptionStage::patch_scene(Label& l, Mover& m) {
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

void CaptionStage::compose() {
    bool sent = false;
    for (auto& [label, m] : m_movers) {
        if (!std::exchange(m.moved, false)) continue;
        if (!m_window.isVisible()) continue;
        if (!attach_canvas()) {
            m_window.repaint(m.stage);
            continue;
        }
        if (m.scene && !m.stale.isEmpty() && !patch_scene(*label, m)) m.scene.reset();
        if (!m.scene) m.scene = build_scene(*label, m);
        if (!m.scene) {
            std::fprintf(stderr,
                         "ravelin: the X server could not take a moving caption; "
                         "Qt draws it\n");
            m.refused = true;
            m_window.repaint(m.stage);
            continue;
        }
        const QPoint at = m_places.box(*label).topLeft() + m.sprite_offset - m.stage.topLeft();
        m_canvas->show(*m.scene, m.stage.topLeft(), at,
                       m_places.clip(*label).translated(-m.stage.topLeft()));
        sent = true;
    }
    if (sent) m_canvas->flush();
}

}  // namespace rv::qt
