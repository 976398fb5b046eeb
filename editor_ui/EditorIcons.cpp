#include "editor_ui/EditorIcons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace qn {

QString editorIconPath(const QString &name) { return QStringLiteral(":/icons/") + name + QStringLiteral(".svg"); }

bool editorIconExists(const QString &name) { return QFile::exists(editorIconPath(name)); }

QImage editorIconImage(const QString &name, const QSizeF &size, qreal dpr, const QColor &tint) {
    // Icons are drawn on every repaint of the bars; keep the few variants around.
    static QHash<QString, QImage> cache;
    const QString key = name + QLatin1Char('|') + QString::number(size.width()) + QLatin1Char('x') +
                        QString::number(size.height()) + QLatin1Char('|') + QString::number(dpr) + QLatin1Char('|') +
                        tint.name(QColor::HexArgb);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    QSvgRenderer renderer(editorIconPath(name));
    if (!renderer.isValid())
        return {};
    const QSize pixels = (size * dpr).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(pixels)));
        if (tint.isValid()) {
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(image.rect(), tint);
        }
    }
    image.setDevicePixelRatio(dpr);
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, image);
    return image;
}

void paintEditorIcon(QPainter &painter, const QString &name, const QRectF &target, const QColor &tint) {
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage image = editorIconImage(name, target.size(), dpr, tint);
    if (!image.isNull())
        painter.drawImage(target.topLeft(), image);
}

} // namespace qn
