#pragma once
#include "annotation/BaseTool.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>

namespace qn {

class SettingsModel;

// The picture behind every exported image: the frozen screen with the drawn
// objects, the whiteboard and the watermark the preferences ask for, cut to the
// crop area at the screen's pixel density.
//   server: a picture for the cloud (no comment points; the upload watermark
//           preference applies);
//   ocr:    a picture only read for its text (no watermark at all).
struct SnapshotView {
    QImage image;      // the whole screen, device pixels with the screen's pixel ratio
    QImage smallImage; // its low-quality copy for blur objects (made here when null)
    QList<DrawnPtr> drawedTools;
    QColor whiteboard = Qt::transparent;
    QRectF croppedArea; // points of the screen's overlay
    bool server = false;
    bool ocr = false;

    // The crop area's picture: croppedArea's size in points, at the snapshot's
    // pixel ratio. Null when the crop holds no pixel or there is no snapshot.
    // `settings` supplies the watermark preferences (none: no watermark).
    QImage render(SettingsModel *settings) const;

    // Where the watermark goes for a crop and a watermark of `size` points: its
    // bottom-right corner 6 points left of and 4 points above the crop's, at a
    // half (or, for a crop of at most 240 points on a side, a quarter) of its size.
    static QRectF watermarkRect(const QRectF &crop, QSizeF size);
};

} // namespace qn
