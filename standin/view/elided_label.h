#pragma once
#include <QLabel>
#include <QString>

namespace rv::standin {

// A one-line label that takes the width it is given and never asks for more: a text too long
// for it ends in an ellipsis, and the whole text is its tool tip. A status line that grows
// (a server's long name, a reason) leaves the window's size alone.
class ElidedLabel : public QLabel {
  public:
    explicit ElidedLabel(QWidget* parent);
    void set_full_text(const QString& text);
    const QString& full_text() const { return m_full; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void elide();
    QString m_full;
};

}  // namespace rv::standin
