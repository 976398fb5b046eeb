#pragma once
#include <QPointF>
#include <QRectF>
#include <QString>

namespace qn {

// Small shared services: default file names, the recordings' folder, and where the
// action bar (535x48) and the tool column (48x375) go beside the crop area.
class Helper {
public:
    Helper() = delete;

    static QString tempFolder();
    static QString videoFileURL();
    static QString videoFileName();
    static QString screenshotFileName();

    // `crop` is the crop area, `bounds` the overlay view's (or screen's) rectangle.
    static QPointF bottomMenuPosition(const QRectF &crop, const QRectF &bounds);
    static QPointF controlsMenuPosition(const QRectF &crop, const QRectF &bounds);
};

} // namespace qn
