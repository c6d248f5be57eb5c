#include "platform/qt/form_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

FormView::FormView(Form& form, double tpp)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_form(form),
      m_tpp(tpp),
      m_generation(form.generation()),
      m_layout(form, tpp, &m_measures),
      m_sprites(m_layout, m_measures, *this),
      m_places(form, m_layout, m_sprites),
      m_painter(m_layout, m_measures, m_sprites),
      m_damage(form, m_layout, m_places),
      m_editors(form, *this, m_places),
      m_stage(form, *this, m_layout, m_places, m_painter, m_sprites, m_editors, m_damage),
      m_input(form, tpp, m_layout, *this, [this] { return catch_up(); }) {
    m_damage.watch(m_stage);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    sync(nullptr);
}

bool FormView::catch_up() {
    if (m_form.generation() == m_generation) return false;
    m_generation = m_form.generation();
    // The background and its handlers belong to the form and stay; the controls do not.
    m_input.forget();
    m_damage.clear();
    m_painter.clear();
    m_sprites.clear();
    m_measures.clear();
    m_places.clear();
    m_stage.clear();
    update();
    return true;
}

void FormView::sync(Control* changed, bool geometry_only) {
    if (catch_up()) changed = nullptr;
    // Every change reaches the view through here before the next paint of a flush: what did
    // not move keeps its place.
    m_places.keep(geometry_only ? changed : nullptr);
    if (!m_form.loaded() || !m_form.visible()) {
        if (isVisible()) hide();
        return;
    }
    const bool first_show = sync_window();
    if (!changed) {
        m_editors.sync_all();
        if (first_show) m_editors.focus_active();
        m_damage.invalidate(QRect(QPoint(), size()));
        return;
    }
    if (m_editors.sync(*changed)) return;
    const std::optional<DamageTracker::Touched> touched =
        m_damage.note_change(*changed, geometry_only);
    if (!touched) return;
    if (geometry_only && changed->kind() == Kind::Label && !touched->first &&
        m_stage.take_step(static_cast<Label&>(*changed), touched->area))
        return;
    m_stage.restage(*changed);
    m_damage.invalidate(m_damage.uncovered(*changed, touched->area));
}

bool FormView::sync_window() {
    if (m_form.caption() != m_title) {
        m_title = m_form.caption();
        setWindowTitle(QString::fromStdString(m_title));
    }
    if (m_form.topmost() != m_applied_topmost || !m_shown_once) {
        m_applied_topmost = m_form.topmost();
        bool was = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, m_applied_topmost);
        if (was) show();
    }
    QRect g(m_layout.px(m_form.left()), m_layout.px(m_form.top()),
            std::max(1, m_layout.px(m_form.width())), std::max(1, m_layout.px(m_form.height())));
    if (geometry() != g) setGeometry(g);
    bool minimized = m_form.window_state() == WindowState::Minimized;
    const bool first_show = !m_shown_once;
    if (!isVisible() || minimized != isMinimized()) {
        if (minimized)
            showMinimized();
        else
            showNormal();
        m_shown_once = true;
    }
    return first_show;
}

void FormView::paint_pending() {
    const QRegion region = m_damage.take_pending();
    if (!region.isEmpty() && isVisible()) repaint(region);
    m_stage.compose();
}

void FormView::paintEvent(QPaintEvent* e) {
    catch_up();
    QPainter p(this);
    const QRegion& region = e->region();
    p.fillRect(e->rect(), qcolor(m_form.back_color()));
    for (Control* c : m_form.paint_order()) {
        if (!drawn(*c) || !region.intersects(m_places.footprint(*c))) continue;
        p.save();
        const QRect clip = m_places.clip(*c);
        p.setClipRect(clip);
        m_painter.draw(p, *c, m_places.box(*c));
        p.restore();
        m_damage.note_drawn(*c, clip & e->rect());
    }
}

void FormView::mousePressEvent(QMouseEvent* e) {
    m_input.press(*e);
}

void FormView::mouseMoveEvent(QMouseEvent* e) {
    m_input.move(*e);
}

void FormView::mouseReleaseEvent(QMouseEvent* e) {
    m_input.release(*e);
}

void FormView::mouseDoubleClickEvent(QMouseEvent* e) {
    m_input.double_click(*e);
}

void FormView::wheelEvent(QWheelEvent* e) {
    m_input.wheel(*e);
}

void FormView::keyPressEvent(QKeyEvent* e) {
    if (m_input.key(*e))
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

void FormView::changeEvent(QEvent* e) {
    // The window manager minimised or restored the window (the taskbar, a second start): the
    // model follows, so the next change of the form does not undo it.
    if (e->type() == QEvent::WindowStateChange && isVisible()) {
        const bool minimized = m_form.window_state() == WindowState::Minimized;
        if (isMinimized() && !minimized)
            m_form.set_window_state(WindowState::Minimized);
        else if (!isMinimized() && minimized)
            m_form.set_window_state(WindowState::Normal);
    }
    QWidget::changeEvent(e);
}

void FormView::closeEvent(QCloseEvent* e) {
    // The window answers the window manager's close as its own close does; whatever that
    // does to the model is what the screen shows, so the view itself never closes. It runs
    // from the loop, not inside the window system's close.
    e->ignore();
    QTimer::singleShot(0, this, [this] { m_form.user_close(); });
}

bool FormView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        Control* c = m_input.control_at(he->pos());
        if (c && !c->tool_tip().empty())
            QToolTip::showText(he->globalPos(), QString::fromStdString(c->tool_tip()), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

}  // namespace rv::qt
