#include "capture/SnapshotWithCommentsView.h"

#include "annotation/ToolComment.h"
#include "app/state/SettingsModel.h"
#include "uikit/Color.h"
#include "uikit/ColorScheme.h"
#include "uikit/Typography.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qn {

namespace {
constexpr qreal kLabelHeight = 21;
constexpr qreal kLabelGap = 2; // between the label's lower edge and the picture

bool darkSheet(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light: return false;
    case Appearance::Dark: return true;
    case Appearance::None: break;
    }
    return environmentColorScheme(nullptr) == ColorScheme::Dark;
}

QFont labelFont() {
    TextStyle style = MorvaneFonts_ContentS::style();
    style.size = 18;
    return style.font();
}

// A logo file only when it is a regular readable file whose bytes are an image of
// a watermark's size.
QImage loadLogo(const std::optional<QString> &path) { return path ? SettingsModel::loadLogo(*path) : QImage(); }

QList<PointTool> sortedByNumber(QList<PointTool> points) {
    std::stable_sort(points.begin(), points.end(), [](const PointTool &a, const PointTool &b) {
        return a.number.value_or(0) < b.number.value_or(0);
    });
    return points;
}
} // namespace

PointTool SnapshotWithCommentsView::creditPin() {
    PointTool pin;
    pin.area = QRectF(1, 1, 1, 1);
    pin.color = QNColor{QColor(0x34, 0xC7, 0x59), true};
    pin.text = QStringLiteral("Screenshot created with love \nby quillnest.app");
    return pin;
}

QString SnapshotWithCommentsView::sizeLabel(QSizeF points) {
    return QStringLiteral("%1 \u00D7 %2")
        .arg(static_cast<qint64>(std::trunc(points.width())))
        .arg(static_cast<qint64>(std::trunc(points.height())));
}

namespace {
struct Layout {
    QSizeF picture; // points
    qreal labelWidth = 0;
    qreal pictureColumnWidth = 0;
    qreal commentWidth = 0; // inner width of the comment column
    qreal commentHeight = 0;
    QImage logo;
    QSizeF size;
};
} // namespace

static Layout layOut(const SnapshotWithCommentsView &v) {
    Layout l;
    const qreal dpr = v.image.devicePixelRatio() > 0 ? v.image.devicePixelRatio() : 1;
    l.picture = QSizeF(v.image.width() / dpr, v.image.height() / dpr);
    l.labelWidth = QFontMetricsF(labelFont()).horizontalAdvance(SnapshotWithCommentsView::sizeLabel(l.picture));
    l.pictureColumnWidth = std::max(l.picture.width(), l.labelWidth) + 2 * v.padding;
    l.commentWidth = v.frameWidth - 2 * v.commentPadding;
    qreal h = 0;
    int entries = 0;
    for (const PointTool &p : v.tools) {
        h += ToolComment::height(p, l.commentWidth);
        ++entries;
    }
    if (v.localWatermark) {
        l.logo = loadLogo(v.logo);
        h += l.logo.isNull() ? ToolComment::height(v.toolComment, l.commentWidth) : l.logo.height() / 2.0;
        ++entries;
    }
    h += std::max(0, entries - 1) * v.commentPadding;
    l.commentHeight = h + 2 * v.padding;
    const qreal pictureHeight = std::max(l.picture.height(), kLabelHeight) + 2 * v.padding;
    l.size = QSizeF(l.pictureColumnWidth + v.frameWidth, std::max(pictureHeight, l.commentHeight));
    return l;
}

QSizeF SnapshotWithCommentsView::size() const { return layOut(*this).size; }

QImage SnapshotWithCommentsView::render() const {
    if (image.isNull())
        return {};
    const Layout l = layOut(*this);
    const qreal dpr = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1;
    QImage sheet(QSize(static_cast<int>(std::ceil(l.size.width() * dpr)),
                       static_cast<int>(std::ceil(l.size.height() * dpr))),
                 QImage::Format_ARGB32_Premultiplied);
    if (sheet.isNull())
        return {};
    sheet.setDevicePixelRatio(dpr);
    const bool dark = darkSheet(appearance);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Picture column.
    p.fillRect(QRectF(0, 0, l.pictureColumnWidth, l.size.height()),
               dark ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6());
    const QRectF picture(QPointF((l.pictureColumnWidth - l.picture.width()) / 2, padding), l.picture);
    p.drawImage(picture, image);
    const QRectF label(QPointF(0, picture.top() - kLabelGap - kLabelHeight),
                       QSizeF(l.pictureColumnWidth, kLabelHeight));
    p.setFont(labelFont());
    p.setPen(Color::Gray::hex8D8D8D());
    p.drawText(label, Qt::AlignCenter, sizeLabel(l.picture));

    // Comment column.
    const QRectF column(l.pictureColumnWidth, 0, frameWidth, l.size.height());
    p.fillRect(column, dark ? Color::Gray::hex424242() : QColor(Qt::white));
    const QColor text = dark ? Color::Gray::hexFCFCFC() : Color::Gray::hex282828();
    QPointF at(column.left() + commentPadding, padding);
    for (const PointTool &point : sortedByNumber(tools))
        at.ry() += ToolComment::paint(p, at, l.commentWidth, point, text) + commentPadding;
    if (localWatermark) {
        if (!l.logo.isNull())
            p.drawImage(QRectF(at, QSizeF(l.logo.width() / 2.0, l.logo.height() / 2.0)), l.logo);
        else
            ToolComment::paint(p, at, l.commentWidth, toolComment, text);
    }
    p.end();
    return sheet;
}

} // namespace qn
