#include "app/state/Helper.h"

#include "platform/X11Desktop.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {
constexpr qreal kBarWidth = 535, kBarHeight = 48;
constexpr qreal kColumnWidth = 48, kColumnHeight = 375;
constexpr qreal kMargin = 16, kGap = 32;

// The folder is ours alone: a directory (not a link to one), owned by us, that no
// one else can read or write. A folder that is ours but too open is closed up.
bool isPrivateFolder(const QByteArray &path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}
} // namespace

QString Helper::tempFolderIn(const QString &temporaryDirectory) {
    const QString folder =
        QDir(temporaryDirectory).filePath(QStringLiteral("Quillnest-") + QString::number(::geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return temporaryDirectory;
    return isPrivateFolder(path) ? folder : temporaryDirectory;
}

QString Helper::tempFolder() { return tempFolderIn(QDir::tempPath()); }

QString Helper::videoFileURL() {
    const QString name = videoFileName();
    return QDir(tempFolder()).filePath(name + QStringLiteral(".mov"));
}

QString Helper::fileName(const std::optional<QString> &application, const QString &fallback,
                         const QDateTime &time) {
    QString prefix = application.value_or(QString()).trimmed();
    if (prefix.isEmpty())
        prefix = fallback;
    for (QChar &c : prefix)
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            c = QLatin1Char('-');
    return prefix + QLatin1Char(' ') + time.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}

QString Helper::videoFileName() {
    return fileName(X11Desktop::activeWindowClass(), QStringLiteral("Video"), QDateTime::currentDateTime());
}

QString Helper::screenshotFileName() {
    return fileName(X11Desktop::activeWindowClass(), QStringLiteral("Screenshot"), QDateTime::currentDateTime());
}

// Placement keeps its margins from the edges of `bounds`, wherever that rectangle
// lies, so that a screen right of or below the first one is treated alike.
QPointF Helper::bottomMenuPosition(const QRectF &c, const QRectF &s) {
    if (c == QRectF())
        return {0, 0};
    qreal x;
    if (s.left() + kMargin >= c.right() - kBarWidth)
        x = s.left() + kMargin;
    else if (c.right() >= s.right() - kMargin)
        x = s.right() - kBarWidth - kMargin;
    else
        x = c.right() - kBarWidth;

    if (c.bottom() + kMargin < s.bottom() - kBarHeight - kMargin)
        return {x, c.bottom() + kMargin};
    if (c.top() >= s.top() + kBarHeight + kMargin)
        return {x, c.top() - kBarHeight - kMargin};

    const qreal lowest = std::min(c.bottom() - kBarHeight, s.bottom() - kBarHeight - kMargin);
    if (s.right() >= c.right() + kBarWidth + kMargin)
        return {c.right() + kGap + kColumnWidth, c.bottom() - kBarHeight};
    if (c.left() - kBarWidth - kGap >= s.left() && c.right() <= s.right() - kMargin - kColumnWidth)
        return {c.left() - kBarWidth - kMargin, lowest};
    if (c.left() - kBarWidth - kColumnWidth - kColumnWidth >= s.left() &&
        c.right() >= s.right() - kMargin - kColumnWidth)
        return {c.left() - kBarWidth - kGap - kColumnWidth, lowest};
    return {x, s.bottom() - kBarHeight - kMargin};
}

QPointF Helper::controlsMenuPosition(const QRectF &c, const QRectF &s) {
    if (c == QRectF())
        return {0, 0};
    const qreal bx = bottomMenuPosition(c, s).x();
    const qreal dx = s.right() - c.right();
    const qreal dy = s.bottom() - c.bottom();
    const bool nearAllEdges = c.top() < s.top() + kMargin + kBarHeight &&
                              c.left() < s.left() + kGap + kColumnWidth && std::hypot(dx, dy) < 80;
    const qreal shift = nearAllEdges ? 64 : 0;
    const qreal x0 = std::min(c.right() + kMargin, s.right() - kColumnWidth - kMargin);
    const qreal y0 = std::min(c.bottom() - kColumnHeight, s.bottom() - kColumnHeight - kMargin - shift);
    // Right of an action bar pinned to the left edge: margin, bar, margin.
    const qreal besidePinnedBar = s.left() + kMargin + kBarWidth + kMargin;
    const bool shortAtBottom = c.height() < kColumnHeight && c.bottom() > s.bottom() - kGap - kBarHeight;

    QPointF p;
    if (s.left() + kMargin >= bx) {
        if (s.top() + kMargin > y0 || shortAtBottom)
            p = {besidePinnedBar, y0};
        else
            p = {x0, y0};
    } else if (c.right() >= s.right() - kGap - kColumnWidth && c.left() >= s.left() + kGap + kColumnWidth) {
        if (s.top() + kMargin > y0 || shortAtBottom)
            p = {std::min(c.left() - kColumnWidth - kMargin, bx - kColumnWidth - kMargin), y0};
        else
            p = {c.left() - kMargin - kColumnWidth, y0};
    } else if (c.bottom() <= s.bottom() - kBarHeight - kColumnHeight - kBarHeight &&
               c.right() >= s.right() - kMargin - kColumnWidth) {
        p = {c.right() - kColumnWidth, c.bottom() + kGap + kBarHeight};
    } else if (c.top() >= s.top() + kBarHeight + kColumnHeight + kBarHeight &&
               c.right() >= s.right() - kMargin - kColumnWidth && c.bottom() >= s.bottom() - kGap - kBarHeight) {
        p = {c.right() - kColumnWidth, c.top() - kGap - kColumnHeight - kBarHeight};
    } else if (c.top() >= s.top() + kGap + kColumnHeight && c.right() >= s.right() - kMargin - kColumnWidth &&
               c.bottom() <= s.bottom() - kGap - kBarHeight) {
        p = {c.right() - kColumnWidth, c.top() - kMargin - kColumnHeight};
    } else {
        p = {x0, y0};
    }
    if (p.y() <= s.top() + kMargin)
        p.setY(s.top() + kMargin);
    return p;
}

} // namespace qn
