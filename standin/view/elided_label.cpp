#include "standin/view/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QSizePolicy>
#include <algorithm>

namespace rv::standin {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    // Ignored: the layout gives it the room there is, whatever its text would like.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::set_full_text(const QString& text) {
    if (text == m_full) return;
    m_full = text;
    setToolTip(text);
    elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const int room = contentsRect().width() - 2 * margin();
    setText(fontMetrics().elidedText(m_full, Qt::ElideRight, std::max(0, room)));
}

}  // namespace rv::standin
