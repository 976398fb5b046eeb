#include "platform/MovieWriter.h"

#include "platform/MovieEncoder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace qn {

namespace {

struct LoadedModule {
    MovieEncoderFactory create = nullptr;
    QString error;
};

// Where the module may be: the file QUILLNEST_MOVIE_MODULE names (and then only
// that), else beside the program, else in the bin folder of the build this was
// compiled in, which is where test programs elsewhere in the build find it.
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

LoadedModule loadModule() {
    const QStringList candidates = moduleCandidates();
    QString firstError;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const QString &file = candidates.at(i);
        const bool last = i + 1 == candidates.size();
        const bool present = QFileInfo::exists(file);
        if (!present && !last)
            continue;
        // Local: FFmpeg's symbols stay out of the program's namespace. Never closed,
        // as encoders and FFmpeg's own threads may outlive any one writer.
        void *handle = ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        QString why;
        if (handle) {
            if (auto create = reinterpret_cast<MovieEncoderFactory>(::dlsym(handle, kMovieEncoderFactory)))
                return {create, {}};
            why = QStringLiteral("it has no %1 entry point").arg(QLatin1String(kMovieEncoderFactory));
        } else {
            const char *text = ::dlerror();
            why = text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
        }
        const QString error = QStringLiteral("The movie encoder %1 cannot be loaded: %2").arg(file, why);
        // A module that is there but broken says more than a later one that is missing.
        if (present)
            return {nullptr, error};
        if (firstError.isEmpty())
            firstError = error;
    }
    return {nullptr, firstError};
}

// Looked up at every start: the first maps the module, later ones find it already
// mapped (dlopen counts, nothing is read again). A failure is not remembered, so
// installing what was missing helps without a restart.
MovieEncoderFactory encoderFactory(QString *error) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    LoadedModule module = loadModule();
    if (!module.create && error)
        *error = module.error;
    return module.create;
}

std::unique_ptr<MovieEncoder> newEncoder(QString *why) {
    MovieEncoderFactory create = encoderFactory(why);
    MovieEncoder *encoder = create ? create(kMovieEncoderInterface) : nullptr;
    if (create && !encoder)
        *why = QStringLiteral("The movie encoder %1 belongs to another build of the program.")
                   .arg(QLatin1String(kMovieEncoderModule));
    return std::unique_ptr<MovieEncoder>(encoder);
}

// A recording whose lock nobody holds: its writer is gone. Only a look; the
// encoder takes the lock for real before it touches the file.
bool abandoned(const QString &file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace

struct MovieWriter::Private {
    std::unique_ptr<MovieEncoder> encoder;
    // What the writer tells before it has an encoder, or when it got none.
    QString path;
    QString error;
    bool failed = false;
};

MovieWriter::MovieWriter() : d(std::make_unique<Private>()) {}

MovieWriter::~MovieWriter() = default;

bool MovieWriter::start(const Settings &settings, QString *error) {
    if (!d->encoder) {
        QString why;
        std::unique_ptr<MovieEncoder> encoder = newEncoder(&why);
        if (!encoder) {
            d->path = settings.path;
            d->error = why;
            d->failed = true;
            if (error)
                *error = why;
            return false;
        }
        d->encoder = std::move(encoder);
    }
    return d->encoder->start(settings, error);
}

QString MovieWriter::path() const { return d->encoder ? d->encoder->path() : d->path; }

bool MovieWriter::appendVideo(FrameBufferPtr picture, int64_t ptsUs) {
    return d->encoder && d->encoder->appendVideo(std::move(picture), ptsUs);
}

void MovieWriter::holdVideo(int64_t ptsUs) {
    if (d->encoder)
        d->encoder->holdVideo(ptsUs);
}

void MovieWriter::appendAudio(const int16_t *samples, size_t count) {
    if (d->encoder)
        d->encoder->appendAudio(samples, count);
}

int64_t MovieWriter::audioSamples() const { return d->encoder ? d->encoder->audioSamples() : 0; }

bool MovieWriter::finish(int64_t endUs) { return d->encoder && d->encoder->finish(endUs); }

MovieWriter::Status MovieWriter::status() const {
    if (d->encoder)
        return d->encoder->status();
    return d->failed ? Status::Failed : Status::Unknown;
}

QString MovieWriter::errorText() const { return d->encoder ? d->encoder->errorText() : d->error; }

int64_t MovieWriter::droppedFrames() const { return d->encoder ? d->encoder->droppedFrames() : 0; }
int64_t MovieWriter::encodedFrames() const { return d->encoder ? d->encoder->encodedFrames() : 0; }
bool MovieWriter::diskFull() const { return d->encoder && d->encoder->diskFull(); }
bool MovieWriter::keptFragmented() const { return d->encoder && d->encoder->keptFragmented(); }

std::vector<MovieWriter::RecoveredMovie> MovieWriter::recoverLeftovers(const QString &folder) {
    const QString pattern = QStringLiteral("*") + QLatin1String(kRecordingSuffix);
    const QStringList names = QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
    const bool anyLeft = std::any_of(names.begin(), names.end(),
                                     [&](const QString &name) { return abandoned(QDir(folder).filePath(name)); });
    if (!anyLeft)
        return {};
    QString why;
    std::unique_ptr<MovieEncoder> encoder = newEncoder(&why);
    if (!encoder) {
        // Nothing is touched: the next start tries again.
        std::vector<RecoveredMovie> failed;
        for (const QString &name : names)
            failed.push_back({QDir(folder).filePath(name), false, why});
        return failed;
    }
    return encoder->recoverLeftovers(folder);
}

} // namespace qn
