#pragma once
#include <QRectF>
#include <QSize>

class QScreen;

namespace qn {

// The movie's largest size; a bigger crop is scaled down to fit, keeping its shape.
constexpr int kMaxMovieWidth = 4096;
constexpr int kMaxMovieHeight = 2304;
constexpr int kMaxFramesPerSecond = 30;
constexpr int kStreamQueueDepth = 6;

// Pixels per point of a screen as a whole number: pixel width over point width;
// either unknown (zero or less) counts as 1.
int backingScale(int pixelWidth, int pointWidth);
int backingScale(const QScreen *screen);

// The writer's picture size for a crop at a scale: the crop in pixels (fractions
// dropped after scaling), fitted into 4096 x 2304.
struct VideoOutputSettings {
    int width = 0;
    int height = 0;
    // H.264 in 4:2:0 needs even sizes: the odd pixel row or column is left out.
    QSize encoderSize() const { return {width & ~1, height & ~1}; }
};
VideoOutputSettings videoOutputSettings(int scale, const QRectF &crop);

// What the screen stream reads: the crop (fractions dropped before scaling) at the
// screen's pixel size, not limited to the movie's largest size.
struct StreamConfiguration {
    QRectF sourceRect; // the crop, points
    int width = 0;     // pixels
    int height = 0;
    int maxFramesPerSecond = kMaxFramesPerSecond;
    int queueDepth = kStreamQueueDepth;
};
StreamConfiguration streamConfiguration(int scale, const QRectF &crop);

} // namespace qn
