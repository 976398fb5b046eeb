#include "settings/ControlsReport.h"

#include "platform/Diagnostics.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace qn {

ControlsReport::ControlsReport(QWidget *root, QString prefix)
    : QObject(root), m_root(root), m_prefix(std::move(prefix)) {}

void ControlsReport::request() {
    if (!diagnostics::enabled() || m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        if (m_root->isVisible())
            diagnostics::print(line());
    });
}

QString ControlsReport::line() const {
    QStringList parts;
    QWidget *window = m_root->window();
    for (QWidget *w : m_root->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !w->isVisibleTo(window))
            continue;
        const QPoint at = w->mapTo(window, QPoint(0, 0));
        // One word per control: the line is split at blanks.
        parts << QStringLiteral("%1=%2,%3,%4,%5").arg(QString(name).replace(QLatin1Char(' '), QLatin1Char('_'))).arg(at.x()).arg(at.y()).arg(w->width()).arg(w->height());
    }
    return diagnostics::controls(m_prefix, parts);
}

} // namespace qn
