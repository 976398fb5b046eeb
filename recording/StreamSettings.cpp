#include "recording/StreamSettings.h"

#include <QScreen>
#include <algorithm>
#include <cmath>

namespace qn {

int backingScale(int pixelWidth, int pointWidth) {
    if (pixelWidth <= 0)
        pixelWidth = 1;
    if (pointWidth <= 0)
        pointWidth = 1;
    return std::max(1, pixelWidth / pointWidth);
}

int backingScale(const QScreen *screen) {
    if (!screen)
        return 1;
    const int points = screen->geometry().width();
    return backingScale(int(std::lround(points * screen->devicePixelRatio())), points);
}

VideoOutputSettings videoOutputSettings(int scale, const QRectF &crop) {
    double width = crop.width() * scale;
    double height = crop.height() * scale;
    const double m = std::max(width / kMaxMovieWidth, height / kMaxMovieHeight);
    if (m > 1) {
        width /= m;
        height /= m;
    }
    return {int(width), int(height)};
}

StreamConfiguration streamConfiguration(int scale, const QRectF &crop) {
    StreamConfiguration config;
    config.sourceRect = crop;
    config.width = scale * int(crop.width());
    config.height = scale * int(crop.height());
    return config;
}

} // namespace qn
