#include "annotation/QNColor.h"

#include "platform/JsonText.h"
#include "uikit/HexColor.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace qn {

const QList<QColor> &QNColor::palette() {
    static const QList<QColor> colors = [] {
        QList<QColor> list;
        for (const char *hex : {"#00C2FF", "#0075FF", "#0045C6", "#FF4141", "#D70000", "#A90000", "#FFC700", "#E89900",
                                "#C86000", "#33F103", "#26BE00", "#1B8701"})
            list.append(colorFromHex(QString::fromLatin1(hex)));
        return list;
    }();
    return colors;
}

QNColor QNColor::defaultColor() { return QNColor{colorFromHex(QStringLiteral("#33F103")), true}; }

int QNColor::code(const QColor &color, bool mask) {
    if (mask)
        return 10;
    const qsizetype index = palette().indexOf(color);
    return index < 0 ? 1 : 11 + static_cast<int>(index);
}

QByteArray QNColor::toJson() const {
    const QByteArray inner = json::encodeOptionalString(hexString(color));
    return "{\"color\":" + json::encodeString(QString::fromLatin1(inner.toBase64())) +
           ",\"mask\":" + (mask ? QByteArrayLiteral("true") : QByteArrayLiteral("false")) + "}";
}

std::optional<QNColor> QNColor::fromJson(const QByteArray &data) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject object = doc.object();
    const QJsonValue colorValue = object.value(QStringLiteral("color"));
    const QJsonValue maskValue = object.value(QStringLiteral("mask"));
    if (!colorValue.isString() || !maskValue.isBool())
        return std::nullopt;
    const auto base64 =
        QByteArray::fromBase64Encoding(colorValue.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!base64)
        return std::nullopt;
    const auto hex = json::decodeString(*base64);
    if (!hex)
        return std::nullopt;
    return QNColor{colorFromHex(*hex), maskValue.toBool()};
}

} // namespace qn
