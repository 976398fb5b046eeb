#include "platform/Diagnostics.h"

#include <QByteArray>
#include <cstdio>

namespace qn::diagnostics {

namespace {
void writeLine(std::FILE *to, const QString &line) {
    QByteArray bytes = line.toUtf8();
    bytes += '\n';
    // One write under the stream's lock: a line never has another thread's text
    // between its words and its end.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}
} // namespace

bool enabled() {
    static const bool on = qgetenv("QUILLNEST_DIAGNOSTICS") == "1";
    return on;
}

void print(const QString &line) {
    if (enabled())
        report(line);
}

void report(const QString &line) { writeLine(stdout, line); }

void reportError(const QString &line) { writeLine(stderr, line); }

} // namespace qn::diagnostics
