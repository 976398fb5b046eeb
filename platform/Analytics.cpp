#include "platform/Analytics.h"

#include "platform/Diagnostics.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace qn {

namespace {
void printToStandardOutput(const QString &event, const QVariantMap &parameters) {
    QJsonObject object = QJsonObject::fromVariantMap(parameters);
    object.insert(QStringLiteral("event"), event);
    diagnostics::report(diagnostics::analytics(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}
} // namespace

Analytics &Analytics::shared() {
    static Analytics analytics;
    return analytics;
}

Analytics::Analytics() : m_sink(printToStandardOutput) {}

void Analytics::configure() {}

void Analytics::setDefaultParameters(const QVariantMap &parameters) { m_defaults = parameters; }

void Analytics::logEvent(const QString &event, const QVariantMap &parameters) {
    QVariantMap all = m_defaults;
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        all.insert(it.key(), it.value());
    if (m_sink)
        m_sink(event, all);
}

void Analytics::setSink(Sink sink) { m_sink = std::move(sink); }

} // namespace qn
