#include "platform/MovieWriter.h"

#include "platform/MovieEncoder.h"
#include "platform/MovieModule.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qn {

namespace {

// Looked up at every start: the first maps the module, later ones find it already
// mapped (dlopen counts, nothing is read again). Never given back, as encoders and
// FFmpeg's own threads may outlive any one writer.
MovieEncoderFactory encoderFactory(QString *error) {
    return reinterpret_cast<MovieEncoderFactory>(movieModuleSymbol(kMovieEncoderFactory, "movie encoder", error));
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
