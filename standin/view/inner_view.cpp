#include "standin/view/inner_view.h"

#include <QCloseEvent>
#include <QLabel>

namespace rv::standin {

using namespace winapi;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

InnerView::InnerView(Client& client, HWND window, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), m_client(client), m_window(window) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void InnerView::closeEvent(QCloseEvent* event) {
    event->ignore();  // the view goes when the model's window goes
    m_client.desktop().SendMessageA(m_window, WM_CLOSE, 0, 0);
}

QWidget* InnerView::heading() {
    auto* label = new QLabel(qs(m_client.desktop().title(m_window)), this);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

void InnerView::click(HWND button) {
    m_client.desktop().SendMessageA(button, WM_LBUTTONDOWN, 0, 0);
    m_client.desktop().SendMessageA(button, WM_LBUTTONUP, 0, 0);
}

void InnerView::set_text(HWND box, const QString& text) {
    const std::string s = text.toStdString();
    m_client.desktop().SendMessageA(box, WM_SETTEXT, 0, text_param(s.c_str()));
}

}  // namespace rv::standin
