#include "app/Helper.h"

#include <QDateTime>
#include <QDir>

namespace qn {

QString Helper::tempFolder() { return QDir::tempPath(); }
QString Helper::videoFileName() {
    return QStringLiteral("Video ") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}
QString Helper::videoFileURL() { return tempFolder() + QLatin1Char('/') + videoFileName() + QStringLiteral(".mov"); }
QString Helper::screenshotFileName() {
    return QStringLiteral("Screenshot ") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}
QPointF Helper::bottomMenuPosition(const QRectF &, const QRectF &) { return {}; }
QPointF Helper::controlsMenuPosition(const QRectF &, const QRectF &) { return {}; }

} // namespace qn
