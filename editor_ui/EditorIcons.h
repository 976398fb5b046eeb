#pragma once
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace qn {

// The editor's icons are single-colour SVG resources named "name@group"
// (":/icons/rectangle@draw-view.svg"); they are drawn tinted with the look's
// foreground colour, at the painter's device pixel ratio.
QString editorIconPath(const QString &name);
bool editorIconExists(const QString &name);
// The icon rendered at `size` (device-independent) × `dpr`, tinted (an invalid
// tint keeps the drawing's own colours); null if missing.
QImage editorIconImage(const QString &name, const QSizeF &size, qreal dpr, const QColor &tint);
void paintEditorIcon(QPainter &painter, const QString &name, const QRectF &target, const QColor &tint);

} // namespace qn
