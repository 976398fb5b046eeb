#include "uikit/BundleInfo.h"

#include "BuildInfo.h"
#include "uikit/Color.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qn {

const BundleInfo &BundleInfo::main() {
    static const BundleInfo info(QVariantMap{
        {QString::fromLatin1(kNameKey), QStringLiteral("Quillnest")},
        {QString::fromLatin1(kVersionKey), QString::fromLatin1(build::kVersion)},
        {QString::fromLatin1(kBuildNumberKey), QString::fromLatin1(build::kBuildNumber)},
        {QString::fromLatin1(kIdentifierKey), QString::fromLatin1(build::kBundleIdentifier)},
    });
    return info;
}

std::optional<QString> BundleInfo::infoString(const QString &key) const {
    const auto it = m_info.constFind(key);
    if (it == m_info.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

QIcon BundleInfo::appIcon() {
    const QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull())
        return icon;
    // Never empty: a blue rounded square with a white quill stroke.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(32, 0, 32, 64);
    fill.setColorAt(0, Color::hex(QStringLiteral("#4B91F7"), 1));
    fill.setColorAt(1, Color::Quillnest::hex1C6AFF());
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    QPainterPath quill;
    quill.moveTo(20, 46);
    quill.cubicTo(24, 30, 34, 20, 46, 16);
    quill.cubicTo(42, 28, 34, 38, 22, 44);
    p.setBrush(Qt::white);
    p.drawPath(quill);
    p.end();
    return QIcon(pixmap);
}

} // namespace qn
