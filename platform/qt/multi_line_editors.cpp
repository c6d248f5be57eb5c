#include "platform/qt/multi_line_editors.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QWidget>

#include "platform/qt/form_view_layout.h"
#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

namespace {

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

bool MultiLineEditors::edits(const Control& c) {
    if (c.kind() != Kind::TextBox) return false;
    const auto& t = static_cast<const TextBox&>(c);
    return t.multi_line() && !t.locked();
}

void MultiLineEditors::sync_all() {
    // The form may have been loaded afresh: editors of controls that are gone go too.
    for (auto it = m_editors.begin(); it != m_editors.end();) {
        bool alive = false;
        for (const auto& c : m_form.controls()) alive = alive || c.get() == it->first;
        if (alive && edits(*it->first)) {
            ++it;
        } else {
            delete it->second;
            it = m_editors.erase(it);
        }
    }
    for (const auto& c : m_form.controls()) {
        if (!edits(*c)) continue;
        auto* box = static_cast<TextBox*>(c.get());
        QPlainTextEdit*& editor = m_editors[box];
        if (!editor) {
            editor = new QPlainTextEdit(&m_window);
            editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            QObject::connect(editor, &QPlainTextEdit::textChanged, editor, [box, editor] {
                box->user_set_text(model_text(editor->toPlainText()));
            });
        }
        sync_editor(*box, *editor);
    }
}

bool MultiLineEditors::sync(Control& c) {
    if (!edits(c)) return false;
    auto it = m_editors.find(static_cast<TextBox*>(&c));
    if (it == m_editors.end()) return false;
    sync_editor(*it->first, *it->second);
    return true;
}

void MultiLineEditors::sync_editor(TextBox& box, QPlainTextEdit& editor) {
    editor.setGeometry(m_places.box(box));
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

void MultiLineEditors::focus_active() {
    auto it = m_editors.find(dynamic_cast<TextBox*>(m_form.active_control()));
    if (it == m_editors.end()) return;
    m_window.activateWindow();
    it->second->setFocus(Qt::OtherFocusReason);
}

bool MultiLineEditors::overlaps(const QRect& area) const {
    for (const auto& [box, editor] : m_editors)
        if (editor->isVisible() && editor->geometry().intersects(area)) return true;
    return false;
}

}  // namespace rv::qt
