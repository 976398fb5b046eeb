#pragma once
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <optional>

namespace qn {

// Small shared services: default file names, the recordings' folder, and where the
// action bar (535x48) and the tool column (48x375) go beside the crop area.
class Helper {
public:
    Helper() = delete;

    // The recordings' folder: "Quillnest-<uid>" in the temporary directory, private
    // to the user (mode 0700, owned by the user, not a symlink); the temporary
    // directory itself only when that folder cannot be had.
    static QString tempFolder();
    static QString videoFileURL();
    static QString videoFileName();
    static QString screenshotFileName();

    // `crop` is the crop area, `bounds` the overlay view's (or screen's) rectangle,
    // both with y growing downwards. A null crop area gives (0, 0).
    static QPointF bottomMenuPosition(const QRectF &crop, const QRectF &bounds);
    static QPointF controlsMenuPosition(const QRectF &crop, const QRectF &bounds);

    // Where a window of `wanted`'s size may stand while a movie records `crop` (the
    // recording reads that part of the root window, whatever lies on it): `wanted`
    // itself when it is on a screen and clear of the crop area; else beside the crop
    // area on `cropScreen`, as near `wanted` as fits; else on another of `screens`,
    // at its side nearest the crop area. None when no screen has room outside it
    // (a single screen cropped whole). All rectangles are global, y downwards.
    static std::optional<QRect> outsideRecorded(const QRect &wanted, const QRect &crop, const QRect &cropScreen,
                                                const QList<QRect> &screens);

    // The parts behind the functions above, with their inputs explicit.
    static QString tempFolderIn(const QString &temporaryDirectory);
    // "<application> yyyy-MM-dd HH.mm.ss"; the fallback stands in for a missing or
    // empty application name; "/" and control characters become "-".
    static QString fileName(const std::optional<QString> &application, const QString &fallback, const QDateTime &time);
};

} // namespace qn
