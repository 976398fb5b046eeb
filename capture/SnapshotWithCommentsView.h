#pragma once
#include "annotation/PointTool.h"
#include "app/state/Appearance.h"

#include <QImage>
#include <QList>
#include <optional>

namespace qn {

// The sheet a capture with comment points is exported as: the cropped picture on a
// padded background with its size above it, and beside it a column with one badge
// per point in number order, ending with the user's logo or a credit badge.
struct SnapshotWithCommentsView {
    QImage image;           // the cropped picture (its device pixel ratio is kept)
    QList<PointTool> tools; // the comment points, in drawing order
    PointTool toolComment = creditPin();
    qreal padding = 60;
    qreal commentPadding = 16;
    qreal frameWidth = 334;
    Appearance appearance = Appearance::None;
    bool localWatermark = true;
    std::optional<QString> logo; // a custom logo file; unreadable ones fall back to the credit

    // The sheet in points, at the picture's device pixel ratio.
    QImage render() const;
    QSizeF size() const;

    // The point without number that signs a sheet.
    static PointTool creditPin();
    // "W × H" in whole points, fractions dropped; the overlay labels its crop the same way.
    static QString sizeLabel(QSizeF points);
};

} // namespace qn
