#include "app/state/Appearance.h"

#include "platform/JsonText.h"

namespace qn {

QString appearanceRawValue(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light: return QStringLiteral("light");
    case Appearance::Dark: return QStringLiteral("dark");
    case Appearance::None: break;
    }
    return QStringLiteral("none");
}

std::optional<Appearance> appearanceFromRawValue(const QString &raw) {
    if (raw == QLatin1String("none"))
        return Appearance::None;
    if (raw == QLatin1String("light"))
        return Appearance::Light;
    if (raw == QLatin1String("dark"))
        return Appearance::Dark;
    return std::nullopt;
}

QByteArray encodeAppearance(Appearance appearance) {
    return json::encodeString(appearanceRawValue(appearance));
}

std::optional<Appearance> decodeAppearance(const QByteArray &document) {
    const auto raw = json::decodeString(document);
    return raw ? appearanceFromRawValue(*raw) : std::nullopt;
}

} // namespace qn
