#pragma once
#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <optional>

namespace qn {

// The window appearance the editor, recorder and settings views follow.
enum class Appearance { None, Light, Dark };

QString appearanceRawValue(Appearance appearance);
std::optional<Appearance> appearanceFromRawValue(const QString &raw);
// Stored as one JSON string of the raw value: "none", "light" or "dark".
QByteArray encodeAppearance(Appearance appearance);
std::optional<Appearance> decodeAppearance(const QByteArray &json);

} // namespace qn
Q_DECLARE_METATYPE(qn::Appearance)
