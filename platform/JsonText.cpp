#include "platform/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace qn::json {

QByteArray encodeString(const QString &value) {
    QByteArray out;
    out.reserve(value.size() + 2);
    out.append('"');
    const QByteArray utf8 = value.toUtf8();
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '/': out.append("\\/"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (u < 0x20)
                out.append(QByteArray("\\u00") + QByteArray::number(u, 16).rightJustified(2, '0'));
            else
                out.append(c);
        }
    }
    out.append('"');
    return out;
}

QByteArray encodeOptionalString(const std::optional<QString> &value) {
    return value ? encodeString(*value) : QByteArrayLiteral("null");
}

namespace {
// QJsonDocument reads only objects and arrays; a single value is read inside an array.
std::optional<QJsonValue> singleValue(const QByteArray &document) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson("[" + document + "]", &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1)
        return std::nullopt;
    return doc.array().at(0);
}
} // namespace

std::optional<QString> decodeString(const QByteArray &document) {
    const auto v = singleValue(document);
    if (!v || !v->isString())
        return std::nullopt;
    return v->toString();
}

std::optional<std::optional<QString>> decodeOptionalString(const QByteArray &document) {
    const auto v = singleValue(document);
    if (!v)
        return std::nullopt;
    if (v->isNull())
        return std::optional<QString>{};
    if (v->isString())
        return std::optional<QString>{v->toString()};
    return std::nullopt;
}

} // namespace qn::json
