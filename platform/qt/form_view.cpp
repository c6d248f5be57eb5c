#include "platform/qt/form_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>

namespace rv::qt {

using namespace forms;

namespace {

QColor qcolor(Color c) {
    Color rgb = resolve_color(c);
    return QColor(red_of(rgb), green_of(rgb), blue_of(rgb));
}

QFont qfont(const Font& f) {
    // Metric twins of the old faces.
    QString family = QString::fromStdString(f.name);
    if (f.name == "Arial")
        family = "Liberation Sans";
    else if (f.name == "Arial Narrow")
        family = "Liberation Sans Narrow";
    else if (f.name == "MS Sans Serif" || f.name == "Comic Sans MS")
        family = "DejaVu Sans";
    QFont q(family);
    q.setPointSizeF(f.size);
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    return q;
}

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

// The Webdings player glyphs, drawn as shapes in `r`.
bool draw_webdings(QPainter& p, const QRect& r, const std::string& glyph, const QColor& c) {
    // Left-aligned as the font draws them: the labels stand closer than they are wide.
    const double s = std::min(r.width(), r.height()) * 0.62;
    const QPointF o(r.left() + 0.5, r.center().y() - s / 2.0 + 0.5);
    QPainterPath path;
    auto tri = [&](double x0, double x1, bool right) {
        if (right) {
            path.moveTo(o.x() + x0, o.y());
            path.lineTo(o.x() + x1, o.y() + s / 2);
            path.lineTo(o.x() + x0, o.y() + s);
        } else {
            path.moveTo(o.x() + x1, o.y());
            path.lineTo(o.x() + x0, o.y() + s / 2);
            path.lineTo(o.x() + x1, o.y() + s);
        }
        path.closeSubpath();
    };
    if (glyph == "4")
        tri(0, s, true);
    else if (glyph == ";") {
        path.addRect(o.x(), o.y(), s * 0.35, s);
        path.addRect(o.x() + s * 0.65, o.y(), s * 0.35, s);
    } else if (glyph == "<")
        path.addRect(o.x(), o.y(), s, s);
    else if (glyph == "9") {
        path.addRect(o.x(), o.y(), s * 0.15, s);
        tri(s * 0.15, s * 0.575, false);
        tri(s * 0.575, s, false);
    } else if (glyph == ":") {
        tri(0, s * 0.425, true);
        tri(s * 0.425, s * 0.85, true);
        path.addRect(o.x() + s * 0.85, o.y(), s * 0.15, s);
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
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_form(form), m_tpp(tpp) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    sync(nullptr);
}

int FormView::px(float twips) const {
    return static_cast<int>(std::lround(twips / m_tpp));
}

QRect FormView::rect_of(const Control& c) const {
    return QRect(px(c.abs_left()), px(c.abs_top()), px(c.width()), px(c.height()));
}

QRect FormView::clip_of(const Control& c) const {
    QRect r = rect_of(c);
    for (Control* k = c.container(); k; k = k->container()) r &= rect_of(*k);
    return r;
}

void FormView::sync(Control* changed, bool geometry_only) {
    if (!m_form.loaded() || !m_form.visible()) {
        if (isVisible()) hide();
        return;
    }
    setWindowTitle(QString::fromStdString(m_form.caption()));
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
        update();
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
    m_last_full[changed] = rect_of(*changed);
    update(it->second.united(now));
    it->second = now;
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
        update(QRect(r.left() + from, r.top(), to - from, r.height()) & clip_of(bar));
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
    const auto& cs = m_form.controls();
    for (auto it = cs.rbegin(); it != cs.rend(); ++it) {
        Control& c = **it;
        if (c.kind() == Kind::Timer || !c.visible()) continue;
        bool shown = true;
        for (Control* k = c.container(); k; k = k->container()) shown = shown && k->visible();
        if (shown && clip_of(c).contains(p)) return &c;
    }
    return nullptr;
}

void FormView::to_twips(const Control* c, QPoint p, float& x, float& y) const {
    x = static_cast<float>(p.x() * m_tpp) - (c ? c->abs_left() : 0);
    y = static_cast<float>(p.y() * m_tpp) - (c ? c->abs_top() : 0);
}

void FormView::mousePressEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    m_pressed = control_at(p);
    m_background_pressed = m_pressed == nullptr;
    float x, y;
    to_twips(m_pressed, p, x, y);
    int b = buttons_of(e->button());
    if (m_pressed) {
        if (auto* list = dynamic_cast<ListBase*>(m_pressed)) {
            float line = list->font().size * 20.0f * 1.2f;
            list->user_select_row(static_cast<int>(y / line));
        }
        m_pressed->user_mouse_down(b, shift_of(e->modifiers()), x, y);
    } else if (m_form.on_mouse_down) {
        m_form.on_mouse_down(b, shift_of(e->modifiers()), x, y);
    }
}

void FormView::mouseMoveEvent(QMouseEvent* e) {
    float x, y;
    to_twips(m_pressed, e->position().toPoint(), x, y);
    int b = buttons_of(e->buttons());
    if (m_pressed)
        m_pressed->user_mouse_move(b, shift_of(e->modifiers()), x, y);
    else if (m_background_pressed && m_form.on_mouse_move)
        m_form.on_mouse_move(b, shift_of(e->modifiers()), x, y);
}

void FormView::mouseReleaseEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    Control* pressed = m_pressed;
    float x, y;
    to_twips(pressed, p, x, y);
    int b = buttons_of(e->button());
    m_pressed = nullptr;
    if (pressed) {
        pressed->user_mouse_up(b, shift_of(e->modifiers()), x, y);
        // A click is a press and a release on the same control; lists raised theirs already.
        if (m_form.loaded() && control_at(p) == pressed && !dynamic_cast<ListBase*>(pressed))
            pressed->user_click();
    } else if (m_background_pressed && m_form.on_mouse_up) {
        m_background_pressed = false;
        m_form.on_mouse_up(b, shift_of(e->modifiers()), x, y);
    }
}

void FormView::mouseDoubleClickEvent(QMouseEvent* e) {
    Control* c = control_at(e->position().toPoint());
    m_pressed = c;
    if (c) c->user_dbl_click();
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
    // A borderless window has no close box: the program's own labels close it, and a
    // window manager's close must not leave the model and the screen apart.
    e->ignore();
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
    QPainter p(this);
    const QRegion& region = e->region();
    p.fillRect(e->rect(), qcolor(m_form.back_color()));
    for (const auto& c : m_form.controls()) {
        if (c->kind() == Kind::Timer || c->kind() == Kind::ScrollBar || !c->visible() ||
            editable_box(*c))
            continue;
        bool shown = true;
        for (Control* k = c->container(); k; k = k->container()) shown = shown && k->visible();
        if (!shown || !region.intersects(clip_of(*c))) continue;
        p.save();
        p.setClipRect(clip_of(*c));
        draw(p, *c);
        p.restore();
    }
}

void FormView::draw(QPainter& p, Control& c) {
    const QRect r = rect_of(c);
    const QColor fore = c.enabled() ? qcolor(c.fore_color()) : QColor(128, 128, 128);
    p.setFont(qfont(c.font()));
    switch (c.kind()) {
        case Kind::Label: {
            auto& l = static_cast<Label&>(c);
            if (!l.transparent()) p.fillRect(r, qcolor(l.back_color()));
            p.setPen(fore);
            if (l.font().name == "Webdings" && draw_webdings(p, r, l.caption(), fore)) break;
            // Laid out once per caption and font: a moving title is only redrawn, not shaped.
            auto& cache = m_texts[&l];
            const QString caption = QString::fromStdString(l.caption());
            if (cache.caption != caption || cache.font != p.font()) {
                cache.caption = caption;
                cache.font = p.font();
                QString shown = caption;
                cache.mnemonic = -1;
                // "&m" shows "m" underlined; "&&" is a plain "&".
                for (int i = 0; i + 1 < shown.size(); ++i) {
                    if (shown[i] != '&') continue;
                    shown.remove(i, 1);
                    if (shown[i] != '&' && cache.mnemonic < 0) cache.mnemonic = i;
                }
                cache.text.setText(shown);
                cache.text.setTextFormat(Qt::PlainText);
                cache.text.prepare(QTransform(), p.font());
                cache.width = QFontMetricsF(p.font()).horizontalAdvance(shown);
                cache.underline_x =
                    cache.mnemonic >= 0
                        ? QFontMetricsF(p.font()).horizontalAdvance(shown.left(cache.mnemonic))
                        : 0;
                cache.underline_w =
                    cache.mnemonic >= 0
                        ? QFontMetricsF(p.font()).horizontalAdvance(shown.mid(cache.mnemonic, 1))
                        : 0;
            }
            double x = r.left();
            if (l.alignment() == Alignment::Center)
                x = r.left() + (r.width() - cache.width) / 2;
            else if (l.alignment() == Alignment::Right)
                x = r.right() + 1 - cache.width;
            p.drawStaticText(QPointF(x, r.top()), cache.text);
            if (cache.mnemonic >= 0) {
                const double y = r.top() + QFontMetricsF(p.font()).ascent() + 1.5;
                p.drawLine(QPointF(x + cache.underline_x, y),
                           QPointF(x + cache.underline_x + cache.underline_w, y));
            }
            break;
        }
        case Kind::Button: {
            auto& b = static_cast<Button&>(c);
            p.fillRect(r, qcolor(b.back_color()));
            p.setPen(fore);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic,
                       QString::fromStdString(b.caption()));
            break;
        }
        case Kind::TextBox: {
            auto& t = static_cast<TextBox&>(c);
            p.fillRect(r, qcolor(t.back_color()));
            p.setPen(fore);
            int flags = t.multi_line() ? (Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap)
                                       : (Qt::AlignLeft | Qt::AlignVCenter);
            p.drawText(r.adjusted(1, 0, -1, 0), flags, QString::fromStdString(t.text()));
            break;
        }
        case Kind::ListBox:
        case Kind::FileListBox:
        case Kind::DirListBox:
        case Kind::DriveListBox: {
            auto& l = static_cast<ListBase&>(c);
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
            break;
        }
        case Kind::PictureBox: {
            auto& pic = static_cast<PictureBox&>(c);
            if (pic.image().empty()) {
                p.fillRect(r, qcolor(pic.back_color()));
                break;
            }
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
            p.fillRect(r, qcolor(pic.back_color()));
            // The image is in model pixels; a screen of another dpi scales it.
            p.drawPixmap(QRect(r.topLeft(), QSize(px(pic.pixels_wide() * kTwipsPerPixel),
                                                  px(pic.pixels_high() * kTwipsPerPixel))),
                         cached.second);
            break;
        }
        case Kind::LevelBar: {
            auto& bar = static_cast<LevelBar&>(c);
            p.fillRect(r, qcolor(bar.back_color()));
            const int w = fill_width(bar, r);
            const QRect filled(r.left(), r.top(), w, r.height());
            if (w > 0 && bar.bar_color1() == bar.bar_color2()) {
                p.fillRect(filled, qcolor(bar.bar_color1()));
            } else if (w > 0) {
                QLinearGradient g(r.topLeft(), r.bottomLeft());
                g.setColorAt(0, qcolor(bar.bar_color1()));
                g.setColorAt(1, qcolor(bar.bar_color2()));
                p.fillRect(filled, g);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace rv::qt
