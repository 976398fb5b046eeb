#include "app/state/AnswerEnvelope.h"

#include <QJsonObject>
#include <QJsonValue>

namespace qn {

namespace {
std::optional<QString> readOptionalText(const QJsonObject &answer, QLatin1String key, std::optional<QString> &out) {
    const QJsonValue value = answer.value(key);
    out.reset();
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        return key + QStringLiteral(" is not a string");
    out = value.toString();
    return std::nullopt;
}
} // namespace

std::optional<QString> readAnswerEnvelope(const QJsonObject &answer, AnswerEnvelope &out) {
    const auto success = answer.constFind(QLatin1String("success"));
    if (success == answer.constEnd())
        return QStringLiteral("success is missing");
    if (success->isNull())
        return QStringLiteral("success is null");
    // 1 or "true" is not taken for true: a service that changed its answers is
    // reported, not guessed at.
    if (!success->isBool())
        return QStringLiteral("success is not true or false");
    out.success = success->toBool();
    return readOptionalText(answer, QLatin1String("message"), out.message);
}

std::optional<QString> readAnswerEnvelope(const QJsonObject &answer, TypedAnswerEnvelope &out) {
    if (auto wrong = readAnswerEnvelope(answer, static_cast<AnswerEnvelope &>(out)))
        return wrong;
    return readOptionalText(answer, QLatin1String("type"), out.type);
}

} // namespace qn
