#pragma once
#include <QString>
#include <QVariantMap>
#include <functional>

namespace qn {

// Usage analytics: named events that always carry the default parameters
// ("username"). The default sink prints one JSON line per event to standard output:
//   analytics {"event":"save_to_mac","username":"ann"}
class Analytics {
public:
    using Sink = std::function<void(const QString &event, const QVariantMap &parameters)>;

    static Analytics &shared();

    // Errors only: the program's own diagnostics never go through analytics.
    void configure();
    void setDefaultParameters(const QVariantMap &parameters);
    QVariantMap defaultParameters() const { return m_defaults; }
    void logEvent(const QString &event, const QVariantMap &parameters = {});
    void setSink(Sink sink); // tests

private:
    Analytics();
    QVariantMap m_defaults;
    Sink m_sink;
};

} // namespace qn
