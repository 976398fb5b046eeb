#include "settings/FullSizeWindow.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace qn {

FullSizeWindow::FullSizeWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void FullSizeWindow::setContentView(QWidget *content) {
    delete m_content;
    m_content = content;
    if (!layout()) {
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
    }
    if (m_content)
        layout()->addWidget(m_content);
}

void FullSizeWindow::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        QTimer::singleShot(0, this, &FullSizeWindow::closed);
}

} // namespace qn
