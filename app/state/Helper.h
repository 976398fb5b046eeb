#pragma once
#include <QDateTime>
#include <QPointF>
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

    // The parts behind the functions above, with their inputs explicit.
    static QString tempFolderIn(const QString &temporaryDirectory);
    // "<application> yyyy-MM-dd HH.mm.ss"; the fallback stands in for a missing or
    // empty application name; "/" and control characters become "-".
    static QString fileName(const std::optional<QString> &application, const QString &fallback,
                            const QDateTime &time);
};

} // namespace qn
