#pragma once
#include "annotation/BaseTool.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRegion>

class QPainter;

namespace qn {

// The strokes drawn over a recording, and their fading: shown at once, held for
// 2 s after the mouse is released, faded out over the next 2 s, dropped at 4 s.
namespace StreamViewCanvas {

constexpr int kHoldMs = 2000;
constexpr int kFadeMs = 2000;
constexpr int kRemoveMs = 4000;

// The strokes' opacity `msSinceRelease` after the last release.
qreal fadeOpacity(qint64 msSinceRelease);

// Paints the strokes (finished ones in order, then the one being drawn) at
// `opacity`; nothing while the recording is paused.
void paint(QPainter &painter, const QList<DrawnPtr> &strokes, const DrawnPtr &drawing, qreal opacity, bool paused);

// Everything a stroke may paint: its frame and points, with room for its line.
QRect strokeBounds(const BaseTool &stroke);

// The pixels one stroke paints, within `bounds`.
QRegion strokeRegion(const DrawnPtr &stroke, const QRect &bounds);

// Finished strokes never change: their regions are kept between calls.
using RegionCache = QHash<const BaseTool *, QRegion>;

// Where the strokes cover the screen, for a window that shows only them: the
// painted pixels, thinned line by line as the opacity falls (a window without a
// compositing manager cannot blend, so the fade is a dissolve). `bounds` is the
// window's rectangle; the region is empty when nothing shows. With a cache, the
// regions of the finished strokes are kept there (entries of strokes no longer
// listed are dropped).
QRegion coverage(const QList<DrawnPtr> &strokes, const DrawnPtr &drawing, qreal opacity, bool paused,
                 const QRect &bounds, RegionCache *cache = nullptr);

// The opacity steps the dissolve uses: the value shown for `opacity`.
qreal dissolveStep(qreal opacity);

} // namespace StreamViewCanvas
} // namespace qn
