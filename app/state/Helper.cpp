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

QString Helper::fileName(const std::optional<QString> &application, const QString &fallback, const QDateTime &time) {
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
    const bool nearAllEdges = c.top() < s.top() + kMargin + kBarHeight && c.left() < s.left() + kGap + kColumnWidth &&
                              std::hypot(dx, dy) < 80;
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

std::optional<QRect> Helper::outsideRecorded(const QRect &wanted, const QRect &crop, const QRect &cropScreen,
                                             const QList<QRect> &screens) {
    const auto onAScreen = [&](const QRect &r) {
        return std::any_of(screens.cbegin(), screens.cend(), [&](const QRect &s) { return s.contains(r); }) ||
               cropScreen.contains(r);
    };
    if (crop.isEmpty() || (!wanted.intersects(crop) && onAScreen(wanted)))
        return wanted;
    const QSize size = wanted.size();
    // Kept inside `s`, a margin from its edges where there is room for one.
    const auto clampInto = [&](QPoint p, const QRect &s) {
        const int mx = std::min<int>(kMargin, std::max(0, (s.width() - size.width()) / 2));
        const int my = std::min<int>(kMargin, std::max(0, (s.height() - size.height()) / 2));
        p.setX(std::clamp(p.x(), s.left() + mx, std::max(s.left() + mx, s.right() + 1 - mx - size.width())));
        p.setY(std::clamp(p.y(), s.top() + my, std::max(s.top() + my, s.bottom() + 1 - my - size.height())));
        return QRect(p, size);
    };
    const auto distance = [&](const QRect &r) { return (r.topLeft() - wanted.topLeft()).manhattanLength(); };

    // Beside the crop area: right, left, below, above, whichever is nearest; a
    // margin from the crop area where the room allows one (being outside comes first).
    std::optional<QRect> best;
    const auto gap = [](int room, int extent) { return std::clamp(room - extent, 0, int(kMargin)); };
    const int right = cropScreen.right() - crop.right(), left = crop.left() - cropScreen.left();
    const int below = cropScreen.bottom() - crop.bottom(), above = crop.top() - cropScreen.top();
    const QList<QPoint> beside{{crop.right() + 1 + gap(right, size.width()), wanted.y()},
                               {crop.left() - gap(left, size.width()) - size.width(), wanted.y()},
                               {wanted.x(), crop.bottom() + 1 + gap(below, size.height())},
                               {wanted.x(), crop.top() - gap(above, size.height()) - size.height()}};
    for (int i = 0; i < beside.size(); ++i) {
        // Only the axis along the crop area's side may move to fit the screen.
        QRect r = clampInto(beside[i], cropScreen);
        if (i < 2)
            r.moveLeft(beside[i].x());
        else
            r.moveTop(beside[i].y());
        if (cropScreen.contains(r) && !r.intersects(crop) && (!best || distance(r) < distance(*best)))
            best = r;
    }
    if (best)
        return best;

    // Another screen: at its side that faces the crop area, level with the crop
    // area's middle where it can be.
    std::optional<QRect> other;
    int otherDistance = 0;
    for (const QRect &s : screens) {
        if (s == cropScreen || s.intersects(crop) || s.width() < size.width() || s.height() < size.height())
            continue;
        const QPoint nearest(std::clamp(crop.center().x(), s.left(), s.right()),
                             std::clamp(crop.center().y(), s.top(), s.bottom()));
        const QRect r = clampInto(nearest - QPoint(size.width() / 2, size.height() / 2), s);
        const int d = (nearest - crop.center()).manhattanLength();
        if (!other || d < otherDistance) {
            other = r;
            otherDistance = d;
        }
    }
    return other;
}

} // namespace qn
