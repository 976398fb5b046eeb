#include "settings/FullSizeWindow.h"

#include <QCloseEvent>
#include <QTimer>

namespace qn {

FullSizeWindow::FullSizeWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void FullSizeWindow::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        QTimer::singleShot(0, this, &FullSizeWindow::closed);
}

} // namespace qn
