#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace qn::test {

// Sets one environment variable for a scope (a null value unsets it), then puts back
// what was there, or its absence.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : m_name(name), m_had(qEnvironmentVariableIsSet(name)) {
        m_old = qgetenv(name);
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ScopedEnv(const char *name, const QByteArray &value) : ScopedEnv(name, value.constData()) {}
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace qn::test
