#include "platform/MovieModule.h"

#include "platform/MovieEncoder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>
#include <mutex>

namespace qn {

namespace {

QStringList moduleCandidates() {
    const QString chosen = qEnvironmentVariable("QUILLNEST_MOVIE_MODULE");
    if (!chosen.isEmpty())
        return {chosen};
    const QString name = QString::fromLatin1(kMovieEncoderModule);
    QStringList candidates;
    const QString programDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (!programDir.isEmpty())
        candidates << programDir + QLatin1Char('/') + name;
#ifdef QN_MOVIE_MODULE_DIR
    const QString buildDir = QStringLiteral(QN_MOVIE_MODULE_DIR "/") + name;
    if (!candidates.contains(buildDir))
        candidates << buildDir;
#endif
    return candidates;
}

} // namespace

void *movieModuleSymbol(const char *symbol, const char *what, QString *error, void **handle) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const QStringList candidates = moduleCandidates();
    QString firstError;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const QString &file = candidates.at(i);
        const bool last = i + 1 == candidates.size();
        const bool present = QFileInfo::exists(file);
        if (!present && !last)
            continue;
        // Local: FFmpeg's symbols stay out of the program's namespace.
        void *module = ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        QString why;
        if (module) {
            if (void *entry = ::dlsym(module, symbol)) {
                if (handle)
                    *handle = module;
                return entry;
            }
            ::dlclose(module);
            why = QStringLiteral("it has no %1 entry point").arg(QLatin1String(symbol));
        } else {
            const char *text = ::dlerror();
            why = text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
        }
        const QString text = QStringLiteral("The %1 %2 cannot be loaded: %3").arg(QLatin1String(what), file, why);
        // A module that is there but broken says more than a later one that is missing.
        if (present) {
            if (error)
                *error = text;
            return nullptr;
        }
        if (firstError.isEmpty())
            firstError = text;
    }
    if (error)
        *error = firstError;
    return nullptr;
}

void releaseMovieModule(void *handle) {
    if (handle)
        ::dlclose(handle);
}

} // namespace qn
