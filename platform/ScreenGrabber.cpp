#include "platform/ScreenGrabber.h"

#include <QPixmap>
#include <QScreen>

namespace qn {

QImage grabScreen(QScreen *screen) {
    if (!screen)
        return {};
    // Window 0 is the root: the picture of the screen's own area of the desktop.
    const QPixmap pixmap = screen->grabWindow(0);
    if (pixmap.isNull())
        return {};
    QImage image = pixmap.toImage();
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(screen->devicePixelRatio());
    return image;
}

} // namespace qn
