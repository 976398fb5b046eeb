#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace qn::json {

// JSON texts for single values, written the way the preferences have always been
// written: UTF-8, no spaces, "/" escaped as "\/", control characters escaped.
QByteArray encodeString(const QString &value);
QByteArray encodeOptionalString(const std::optional<QString> &value); // null when empty

// A document that holds one JSON string; nothing for anything else.
std::optional<QString> decodeString(const QByteArray &document);
// A document that holds one JSON string or null; outer nothing when it is neither.
std::optional<std::optional<QString>> decodeOptionalString(const QByteArray &document);

} // namespace qn::json
