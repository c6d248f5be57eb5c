#include "platform/qt/form_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStaticText>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

namespace {

int buttons_of(Qt::MouseButtons b) {
    int r = 0;
    if (b & Qt::LeftButton) r |= kLeftButton;
    if (b & Qt::RightButton) r |= kRightButton;
    if (b & Qt::MiddleButton) r |= kMiddleButton;
    return r;
}

int shift_of(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
           ((m & Qt::AltModifier) ? 4 : 0);
}

// Whether the control paints every pixel of its box.
bool covers_box(const Control& c) {
    if (c.kind() == Kind::Label) return !static_cast<const Label&>(c).transparent();
    return c.kind() != Kind::Timer && c.kind() != Kind::ScrollBar;
}

// Room around a text's line for the ink of slanted or overhanging glyphs.
int sprite_margin(const QFont& f) {
    return 2 + static_cast<int>(std::ceil(QFontMetricsF(f).height() / 4));
}

// The Webdings player glyphs, drawn as shapes filling `box`.
bool draw_webdings(QPainter& p, const QRectF& box, const std::string& glyph, const QColor& c) {
    const double x = box.left(), y = box.top(), w = box.width(), h = box.height();
    QPainterPath path;
    // A triangle from x0 to x1 (fractions of the width), pointing right or left.
    auto tri = [&](double x0, double x1, bool right) {
        const double tip = right ? x1 : x0, base = right ? x0 : x1;
        path.moveTo(x + w * base, y);
        path.lineTo(x + w * tip, y + h / 2);
        path.lineTo(x + w * base, y + h);
        path.closeSubpath();
    };
    if (glyph == "4")
        tri(0, 1, true);
    else if (glyph == ";") {
        const double bar = std::max(1.0, std::round(w * 0.36));
        path.addRect(x, y, bar, h);
        path.addRect(x + w - bar, y, bar, h);
    } else if (glyph == "<")
        path.addRect(x, y, w, h);
    else if (glyph == "9") {
        path.addRect(x, y, std::max(1.0, w * 0.15), h);
        tri(0.15, 0.575, false);
        tri(0.575, 1, false);
    } else if (glyph == ":") {
        tri(0, 0.425, true);
        tri(0.425, 0.85, true);
        path.addRect(x + w * 0.85, y, std::max(1.0, w * 0.15), h);
    } else
        return false;
    p.fillPath(path, c);
    return true;
}

// The filled length of a level bar drawn in `r`.
int fill_width(const LevelBar& bar, const QRect& r) {
    return static_cast<int>(std::lround(r.width() * bar.fraction()));
}

bool editable_box(const Control& c) {
    if (c.kind() != Kind::TextBox) return false;
    const auto& t = static_cast<const TextBox&>(c);
    return t.multi_line() && !t.locked();
}

// The model keeps the box's line breaks as CR LF; the editor shows paragraphs.
QString shown_text(const std::string& model) {
    QString s = QString::fromStdString(model);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}
std::string model_text(const QString& shown) {
    QString s = shown;
    s.replace("\n", "\r\n");
    return s.toStdString();
}

}  // namespace

FormView::FormView(Form& form, double tpp)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_form(form),
      m_tpp(tpp),
      m_generation(form.generation()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    sync(nullptr);
}

int FormView::px(float twips) const {
    return layout().px(twips);
}

const FormView::Place& FormView::place_of(const Control& c) const {
    Place& p = m_places[&c];
    if (p.version == m_form.version()) return p;
    const FormLayout l = layout();
    p.version = m_form.version();
    p.box = l.box(c);
    p.has_footprint = false;
    // What a control may paint: its visible box, and for a label the room its text has.
    p.clip = l.visible(c);
    if (c.kind() == Kind::Label) p.clip |= l.text_room(c);
    return p;
}

QRect FormView::rect_of(const Control& c) const {
    return place_of(c).box;
}

QRect FormView::clip_of(const Control& c) const {
    return place_of(c).clip;
}

QRect FormView::footprint(const Control& c) {
    const Place& p = place_of(c);
    if (p.has_footprint) return p.footprint;
    QRect r = p.clip;
    if (c.kind() == Kind::Label && !covers_box(c)) {
        auto& l = const_cast<Label&>(static_cast<const Label&>(c));
        // The shapes are filled without smoothing: a pixel round them is ample.
        if (webdings_shape(l))
            r &= layout().glyph_box(l).toAlignedRect().adjusted(-1, -1, 1, 1);
        else
            r &= label_sprite(l, p.box, fore_of(l)).ink;
    }
    Place& kept = m_places[&c];
    kept.has_footprint = true;
    kept.footprint = r;
    return r;
}

void FormView::keep_places(const Control* moved) {
    if (!moved) {
        m_places.clear();
        return;
    }
    const std::uint64_t now = m_form.version();
    for (auto& [c, p] : m_places) {
        bool inside = false;
        for (const Control* k = c; k && !inside; k = k->container()) inside = k == moved;
        const bool beside = c->kind() == Kind::Label && c->container() == moved->container();
        if (inside || beside)
            p.version = Place::kStale;
        else if (p.version != Place::kStale)
            p.version = now;
    }
}

QRegion FormView::uncovered(const Control& changed, const QRegion& damage) const {
    QRegion left = damage;
    bool above = false;
    for (const Control* c : m_form.paint_order()) {
        if (c == &changed) {
            above = true;
        } else if (above && covers_box(*c) && drawn(*c) && !composed(*c)) {
            left -= layout().visible(*c);
            if (left.isEmpty()) break;
        }
    }
    return left;
}

bool FormView::catch_up() {
    if (m_form.generation() == m_generation) return false;
    m_generation = m_form.generation();
    // The background and its handlers belong to the form and stay; the controls do not.
    m_pressed = nullptr;
    m_last_rects.clear();
    m_last_full.clear();
    m_images.clear();
    m_sprites.clear();
    m_measures.clear();
    m_places.clear();
    m_bars.clear();
    m_movers.clear();
    update();
    return true;
}

void FormView::sync(Control* changed, bool geometry_only) {
    if (catch_up()) changed = nullptr;
    // Every change reaches the view through here before the next paint of a flush: what did
    // not move keeps its place.
    keep_places(geometry_only ? changed : nullptr);
    if (!m_form.loaded() || !m_form.visible()) {
        if (isVisible()) hide();
        return;
    }
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
    QRect g(px(m_form.left()), px(m_form.top()), std::max(1, px(m_form.width())),
            std::max(1, px(m_form.height())));
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
    if (!changed) {
        sync_editors();
        if (first_show) focus_active_editor();
        invalidate(QRect(QPoint(), size()));
        return;
    }
    if (editable_box(*changed)) {
        auto it = m_editors.find(static_cast<TextBox*>(changed));
        if (it != m_editors.end()) {
            sync_editor(*it->first, *it->second);
            return;
        }
    }
    QRect now = clip_of(*changed);
    auto [it, fresh] = m_last_rects.emplace(changed, now);
    // A move within the same pixel (a marquee moves 10 twips, two thirds of a pixel) shows
    // nothing new.
    if (geometry_only && !fresh && it->second == now && rect_of(*changed) == m_last_full[changed])
        return;
    if (!geometry_only && !fresh && it->second == now && changed->kind() == Kind::LevelBar &&
        update_bar_strip(static_cast<const LevelBar&>(*changed)))
        return;
    const QRect before = it->second;
    m_last_full[changed] = rect_of(*changed);
    it->second = now;
    if (geometry_only && changed->kind() == Kind::Label && !fresh &&
        compose_move(static_cast<Label&>(*changed))) {
        // Another moving label's copies hold this one where it was.
        for (auto& [label, m] : m_movers)
            if (label != changed && m.scene) m.stale += before.united(now) & m.stage;
        return;
    }
    // A moving label that changed otherwise than by moving needs a new picture.
    if (changed->kind() == Kind::Label)
        if (auto mv = m_movers.find(static_cast<Label*>(changed)); mv != m_movers.end())
            drop_scene(mv->second);
    invalidate(uncovered(*changed, before.united(now)));
}

bool FormView::update_bar_strip(const LevelBar& bar) {
    const QRect r = rect_of(bar);
    const BarSeen now{fill_width(bar, r), bar.bar_color1(), bar.bar_color2(), bar.back_color(),
                      bar.enabled()};
    auto [it, fresh] = m_bars.emplace(&bar, now);
    const BarSeen before = it->second;
    it->second = now;
    if (fresh) return false;
    BarSeen same_length = before;
    same_length.fill_px = now.fill_px;
    if (!(same_length == now)) return false;  // more than the length changed
    if (before.fill_px != now.fill_px) {
        const int from = std::min(before.fill_px, now.fill_px);
        const int to = std::max(before.fill_px, now.fill_px);
        invalidate(
            uncovered(bar, QRect(r.left() + from, r.top(), to - from, r.height()) & clip_of(bar)));
    }
    return true;
}

void FormView::sync_editors() {
    // The form may have been loaded afresh: editors of controls that are gone go too.
    for (auto it = m_editors.begin(); it != m_editors.end();) {
        bool alive = false;
        for (const auto& c : m_form.controls()) alive = alive || c.get() == it->first;
        if (alive && editable_box(*it->first)) {
            ++it;
        } else {
            delete it->second;
            it = m_editors.erase(it);
        }
    }
    for (const auto& c : m_form.controls()) {
        if (!editable_box(*c)) continue;
        auto* box = static_cast<TextBox*>(c.get());
        QPlainTextEdit*& editor = m_editors[box];
        if (!editor) {
            editor = new QPlainTextEdit(this);
            editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            QObject::connect(editor, &QPlainTextEdit::textChanged, editor, [box, editor] {
                box->user_set_text(model_text(editor->toPlainText()));
            });
        }
        sync_editor(*box, *editor);
    }
}

void FormView::sync_editor(TextBox& box, QPlainTextEdit& editor) {
    editor.setGeometry(rect_of(box));
    editor.setVisible(box.visible());
    editor.setEnabled(box.enabled());
    editor.setFont(qfont(box.font()));
    QPalette pal = editor.palette();
    pal.setColor(QPalette::Base, qcolor(box.back_color()));
    pal.setColor(QPalette::Text, qcolor(box.fore_color()));
    editor.setPalette(pal);
    editor.setVerticalScrollBarPolicy((box.scroll_bars() & 2) ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAlwaysOff);
    editor.setLineWrapMode((box.scroll_bars() & 1) ? QPlainTextEdit::NoWrap
                                                   : QPlainTextEdit::WidgetWidth);
    if (model_text(editor.toPlainText()) != box.text()) {
        const QSignalBlocker quiet(&editor);
        editor.setPlainText(shown_text(box.text()));
    }
}

void FormView::focus_active_editor() {
    auto it = m_editors.find(dynamic_cast<TextBox*>(m_form.active_control()));
    if (it == m_editors.end()) return;
    activateWindow();
    it->second->setFocus(Qt::OtherFocusReason);
}

Control* FormView::control_at(QPoint p) const {
    // The middle of the pixel, in the model's twips.
    return m_form.control_at(static_cast<float>((p.x() + 0.5) * m_tpp),
                             static_cast<float>((p.y() + 0.5) * m_tpp));
}

void FormView::to_twips(const Control* c, QPointF global, float& x, float& y) const {
    x = static_cast<float>(global.x() * m_tpp) - m_form.left() - (c ? c->abs_left() : 0);
    y = static_cast<float>(global.y() * m_tpp) - m_form.top() - (c ? c->abs_top() : 0);
}

void FormView::mousePressEvent(QMouseEvent* e) {
    catch_up();
    const QPoint p = e->position().toPoint();
    const int b = buttons_of(e->button()), shift = shift_of(e->modifiers());
    m_pressed = control_at(p);
    m_background_pressed = m_pressed == nullptr;
    float x, y;
    if (!m_pressed) {
        to_twips(nullptr, e->globalPosition(), x, y);
        if (m_form.on_mouse_down) m_form.on_mouse_down(b, shift, x, y);
        if (catch_up()) return;
        hand_move_to_compositor();
        return;
    }
    if (auto* list = dynamic_cast<ListBase*>(m_pressed)) {
        const float line = list->font().size * 20.0f * 1.2f;
        const float row_y = static_cast<float>((p.y() + 0.5) * m_tpp) - list->abs_top();
        list->user_select_row(static_cast<int>(row_y / line));  // raises Click
        if (catch_up()) return;
    }
    to_twips(m_pressed, e->globalPosition(), x, y);
    m_pressed->user_mouse_down(b, shift, x, y);
    if (catch_up()) return;
    hand_move_to_compositor();
}

void FormView::hand_move_to_compositor() {
    if (!m_form.take_window_move_request()) return;
    // A Wayland compositor ignores a window that moves itself; it moves one on request.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    if (QWindow* w = windowHandle()) w->startSystemMove();
}

void FormView::mouseMoveEvent(QMouseEvent* e) {
    catch_up();
    const int b = buttons_of(e->buttons()), shift = shift_of(e->modifiers());
    float x, y;
    to_twips(m_pressed, e->globalPosition(), x, y);
    if (m_pressed)
        m_pressed->user_mouse_move(b, shift, x, y);
    else if (m_background_pressed && m_form.on_mouse_move)
        m_form.on_mouse_move(b, shift, x, y);
    catch_up();
}

void FormView::mouseReleaseEvent(QMouseEvent* e) {
    catch_up();
    const QPoint p = e->position().toPoint();
    const int b = buttons_of(e->button()), shift = shift_of(e->modifiers());
    Control* pressed = std::exchange(m_pressed, nullptr);
    float x, y;
    to_twips(pressed, e->globalPosition(), x, y);
    if (pressed) {
        pressed->user_mouse_up(b, shift, x, y);
        // A handler that reloaded the form took the pressed control with it.
        if (catch_up()) return;
        // A click is a press and a release on the same control; lists raised theirs already.
        if (m_form.loaded() && control_at(p) == pressed && !dynamic_cast<ListBase*>(pressed))
            pressed->user_click();
        catch_up();
    } else if (m_background_pressed && m_form.on_mouse_up) {
        m_background_pressed = false;
        m_form.on_mouse_up(b, shift, x, y);
        catch_up();
    }
}

void FormView::mouseDoubleClickEvent(QMouseEvent* e) {
    catch_up();
    Control* c = control_at(e->position().toPoint());
    m_pressed = c;
    if (c) c->user_dbl_click();
    catch_up();
}

void FormView::wheelEvent(QWheelEvent* e) {
    if (auto* list = dynamic_cast<ListBase*>(control_at(e->position().toPoint())))
        list->set_top_index(list->top_index() - e->angleDelta().y() / 120 * 3);
}

void FormView::changeEvent(QEvent* e) {
    // The window manager restored a minimised window: the model follows.
    if (e->type() == QEvent::WindowStateChange && !isMinimized() &&
        m_form.window_state() == WindowState::Minimized)
        m_form.set_window_state(WindowState::Normal);
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
        Control* c = control_at(he->pos());
        if (c && !c->tool_tip().empty())
            QToolTip::showText(he->globalPos(), QString::fromStdString(c->tool_tip()), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void FormView::paintEvent(QPaintEvent* e) {
    catch_up();
    QPainter p(this);
    const QRegion& region = e->region();
    p.fillRect(e->rect(), qcolor(m_form.back_color()));
    for (Control* c : m_form.paint_order()) {
        if (!drawn(*c) || !region.intersects(footprint(*c))) continue;
        p.save();
        const QRect clip = clip_of(*c);
        p.setClipRect(clip);
        draw(p, *c);
        p.restore();
        // Where it drew is what its next change must clear, even when that is its first one
        // or its room grew since the change was seen (a neighbour moved in the same batch).
        m_last_rects[c] |= clip & e->rect();
    }
}

void FormView::draw(QPainter& p, Control& c) {
    const QRect r = rect_of(c);
    const QColor fore = fore_of(c);
    p.setFont(m_measures.font(c));
    p.setPen(fore);
    switch (c.kind()) {
        case Kind::Label:
            draw_label(p, static_cast<Label&>(c), r, fore);
            break;
        case Kind::Button: {
            auto& b = static_cast<Button&>(c);
            p.fillRect(r, qcolor(b.back_color()));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic,
                       QString::fromStdString(b.caption()));
            break;
        }
        case Kind::TextBox:
            draw_text_box(p, static_cast<TextBox&>(c), r);
            break;
        case Kind::ListBox:
        case Kind::FileListBox:
        case Kind::DirListBox:
        case Kind::DriveListBox:
            draw_list(p, static_cast<ListBase&>(c), r, fore);
            break;
        case Kind::PictureBox:
            draw_picture(p, static_cast<PictureBox&>(c), r);
            break;
        case Kind::LevelBar:
            draw_level(p, static_cast<LevelBar&>(c), r);
            break;
        default:
            break;
    }
}

void FormView::draw_label(QPainter& p, Label& l, const QRect& r, const QColor& fore) {
    if (!l.transparent()) p.fillRect(r, qcolor(l.back_color()));
    if (webdings_shape(l) && draw_webdings(p, layout().glyph_box(l), l.caption(), fore)) return;
    const Sprite& s = label_sprite(l, r, fore);
    p.drawPixmap(s.origin, s.pixmap);
}

QPixmap FormView::new_canvas(QSize size) const {
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QRect FormView::ink_of(const QPixmap& pixmap) {
    const QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(line[x]) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    const qreal ratio = pixmap.devicePixelRatio();
    return QRectF(QPointF(left, top) / ratio, QPointF(right + 1, bottom + 1) / ratio)
        .toAlignedRect();
}

// A label's text is shaped and drawn once per text, face, colour and the part of a pixel
// where it starts; a moving title then only copies its picture.
const FormView::Sprite& FormView::label_sprite(Label& l, const QRect& r, const QColor& fore) {
    const QFont& font = m_measures.font(l);
    const double width = m_measures.width(l);
    double x = r.left();
    if (l.alignment() == Alignment::Center)
        x = r.left() + (r.width() - width) / 2;
    else if (l.alignment() == Alignment::Right)
        x = r.right() + 1 - width;
    const QPoint whole(static_cast<int>(std::floor(x)), r.top());
    const QPointF at(x - whole.x(), 0);
    const int margin = sprite_margin(font);
    Sprite& s = m_sprites[&l];
    if (!s.pixmap.isNull() && s.text == l.caption() && s.font == font && s.color == fore &&
        std::fabs(s.at.x() - at.x()) < 1e-6) {
        // The same picture, somewhere else.
        const QPoint shift = whole - QPoint(margin, margin) - s.origin;
        s.origin += shift;
        s.ink.translate(shift);
        return s;
    }
    int mnemonic = -1;
    const QString shown = FormLayout::shown_text(l, &mnemonic);
    const QFontMetricsF m(font);
    QPixmap pixmap = new_canvas(QSize(static_cast<int>(std::ceil(at.x() + width)) + 2 * margin + 1,
                                      static_cast<int>(std::ceil(m.height())) + 2 * margin));
    {
        QPainter q(&pixmap);
        q.setFont(font);
        q.setPen(fore);
        QStaticText text(shown);
        text.setTextFormat(Qt::PlainText);
        const QPointF start(margin + at.x(), margin);
        q.drawStaticText(start, text);
        if (mnemonic >= 0) {
            const double ux = start.x() + m.horizontalAdvance(shown.left(mnemonic));
            const double uw = m.horizontalAdvance(shown.mid(mnemonic, 1));
            const double y = start.y() + m.ascent() + 1.5;
            q.drawLine(QPointF(ux, y), QPointF(ux + uw, y));
        }
    }
    s.text = l.caption();
    s.font = font;
    s.color = fore;
    s.at = at;
    s.origin = whole - QPoint(margin, margin);
    s.ink = ink_of(pixmap).translated(s.origin);
    s.pixmap = std::move(pixmap);
    return s;
}

void FormView::draw_text_box(QPainter& p, TextBox& t, const QRect& r) {
    p.fillRect(r, qcolor(t.back_color()));
    const QString text = QString::fromStdString(t.text());
    if (t.multi_line()) {
        p.drawText(r.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        return;
    }
    const Sprite& s = box_sprite(t, r, p.pen().color());
    p.drawPixmap(s.origin, s.pixmap);
}

// A one-line box's text is laid out and drawn once per text, face, colour and room.
const FormView::Sprite& FormView::box_sprite(TextBox& t, const QRect& r, const QColor& fore) {
    const QRect room = layout().text_room(t);
    const QFont& font = m_measures.font(t);
    Sprite& s = m_sprites[&t];
    const QPoint origin(room.left(), r.top());
    if (!s.pixmap.isNull() && s.text == t.text() && s.font == font && s.color == fore &&
        s.room == room.width() &&
        s.pixmap.deviceIndependentSize().toSize() == QSize(room.width(), r.height())) {
        s.origin = origin;
        return s;
    }
    const QString text = QString::fromStdString(t.text());
    QPixmap pixmap = new_canvas(QSize(std::max(1, room.width()), std::max(1, r.height())));
    {
        QPainter q(&pixmap);
        // A line wider than the part of the box on the screen is condensed to fit it.
        q.setFont(FormLayout::fitted(font, text, room.width()));
        q.setPen(fore);
        q.drawText(QRect(0, 0, room.width(), r.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    s.text = t.text();
    s.font = font;
    s.color = fore;
    s.room = room.width();
    s.origin = origin;
    s.pixmap = std::move(pixmap);
    return s;
}

void FormView::draw_list(QPainter& p, ListBase& l, const QRect& r, const QColor& fore) {
    p.fillRect(r, qcolor(l.back_color()));
    const int line = std::max(1, px(l.font().size * 20.0f * 1.2f));
    auto* dirs = dynamic_cast<DirListBox*>(&l);
    for (int row = 0; row * line < r.height(); ++row) {
        int i = l.top_index() + row;
        if (i >= l.list_count()) break;
        QRect lr(r.left(), r.top() + row * line, r.width(), line);
        bool selected = i == l.list_index();
        if (selected) p.fillRect(lr, QColor(10, 36, 106));
        p.setPen(selected ? QColor(255, 255, 255) : fore);
        int indent = dirs ? 2 + dirs->entry_depth(i) * 8 : 2;
        QString text = QString::fromStdString(l.item(i));
        if (dirs) text = (dirs->entry_open(i) ? "\u25BE " : "\u25B8 ") + text;
        p.drawText(lr.adjusted(indent, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void FormView::draw_picture(QPainter& p, PictureBox& pic, const QRect& r) {
    p.fillRect(r, qcolor(pic.back_color()));
    if (pic.image().empty()) return;
    auto& cached = m_images[&pic];
    if (cached.first != pic.image_version() || cached.second.isNull()) {
        QImage img(pic.pixels_wide(), pic.pixels_high(), QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                Color v = pic.image()[static_cast<std::size_t>(y * img.width() + x)];
                line[x] = qRgb(red_of(v), green_of(v), blue_of(v));
            }
        }
        cached = {pic.image_version(), QPixmap::fromImage(img)};
    }
    // The image is in model pixels; a screen of another dpi scales it.
    p.drawPixmap(QRect(r.topLeft(), QSize(px(pic.pixels_wide() * kTwipsPerPixel),
                                          px(pic.pixels_high() * kTwipsPerPixel))),
                 cached.second);
}

void FormView::draw_level(QPainter& p, LevelBar& bar, const QRect& r) {
    p.fillRect(r, qcolor(bar.back_color()));
    const int w = fill_width(bar, r);
    if (w <= 0) return;
    const QRect filled(r.left(), r.top(), w, r.height());
    if (bar.bar_color1() == bar.bar_color2()) {
        p.fillRect(filled, qcolor(bar.bar_color1()));
        return;
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, qcolor(bar.bar_color1()));
    g.setColorAt(1, qcolor(bar.bar_color2()));
    p.fillRect(filled, g);
}

}  // namespace rv::qt
