#include "capture/SnapshotView.h"

#include "annotation/ToolsCanvas.h"
#include "app/state/SettingsModel.h"
#include "capture/ImageEncoding.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>
#include <QTimer>

namespace qn {

QRectF SnapshotView::watermarkRect(const QRectF &crop, QSizeF size) {
    const qreal divisor = (crop.width() <= 240 || crop.height() <= 240) ? 4 : 2;
    const QSizeF drawn = size / divisor;
    const QPointF anchor(crop.x() + crop.width() - 6, crop.y() + crop.height() - 4);
    return {anchor - QPointF(drawn.width(), drawn.height()), drawn};
}

namespace {
void drawDefaultWatermark(QPainter &painter, const QRectF &crop) {
    QSvgRenderer logo(QStringLiteral(":/images/logo-watermark@settings.svg"));
    if (!logo.isValid())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    logo.render(&painter, SnapshotView::watermarkRect(crop, logo.defaultSize()));
    painter.restore();
}

void drawWatermark(QPainter &painter, const QRectF &crop, SettingsModel *settings) {
    const std::optional<QString> logoPath = settings->logo();
    if (logoPath) {
        const QImage logo = SettingsModel::loadLogo(*logoPath);
        if (!logo.isNull()) {
            painter.drawImage(SnapshotView::watermarkRect(crop, logo.deviceIndependentSize()), logo);
            return;
        }
    }
    if (logoPath) {
        // A logo that can no longer be read is forgotten, so the next render and the
        // settings page show the default one.
        QPointer<SettingsModel> model(settings);
        QTimer::singleShot(0, settings, [model] {
            if (model)
                model->setLogo(std::nullopt);
        });
    }
    drawDefaultWatermark(painter, crop);
}
} // namespace

QImage SnapshotView::render(SettingsModel *settings) const {
    const qreal scale = image.devicePixelRatio();
    QImage out = imageEncoding::cropped(image, croppedArea, scale);
    if (out.isNull())
        return {};
    // Painted in place: an opaque screen stays opaque (RGB), so nothing is converted.
    if (out.format() != QImage::Format_RGB32 && out.format() != QImage::Format_ARGB32_Premultiplied)
        out = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(scale);
    // The points the cropped pixels cover, so drawn objects line up with them.
    const QRect pixels = imageEncoding::pixelRect(croppedArea, scale);
    const QRectF crop(QPointF(pixels.topLeft()) / scale, QSizeF(pixels.size()) / scale);

    const bool hasBlur = std::any_of(drawedTools.cbegin(), drawedTools.cend(),
                                     [](const DrawnPtr &t) { return t && t->type == Tool::Blur; });
    // Blur is pixelated in every export, whether or not the background copy is ready.
    const QImage small = smallImage.isNull() && hasBlur ? imageEncoding::lowQualityCopy(image) : smallImage;

    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-crop.topLeft());
    AnnotationScene scene;
    scene.objects = drawedTools;
    scene.whiteboard = whiteboard;
    scene.croppedArea = croppedArea;
    scene.skipCommentPoints = server;
    scene.snapshot = &image;
    scene.lowQuality = small.isNull() ? nullptr : &small;
    if (!drawedTools.isEmpty() || whiteboard.alpha() != 0)
        toolsCanvas::paintScene(painter, scene, crop);

    const bool watermark = !ocr && settings && (server ? settings->uploadWatermark() : settings->localWatermark());
    if (watermark)
        drawWatermark(painter, croppedArea, settings);
    painter.end();
    return out;
}

} // namespace qn
