#include "platform/Diagnostics.h"

#include <QByteArray>
#include <cstdio>

namespace qn::diagnostics {

bool enabled() {
    static const bool on = qgetenv("QUILLNEST_DIAGNOSTICS") == "1";
    return on;
}

void print(const QString &line) {
    if (enabled())
        report(line);
}

void report(const QString &line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace qn::diagnostics
