#include "platform/movie/FragmentedMovie.h"

#include "platform/MovieEncoder.h"
#include "platform/SafeFile.h"
#include "platform/movie/FfmpegHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace qn {

namespace {

uint32_t bigEndian32(const unsigned char *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool readAt(int fd, void *into, size_t size, int64_t at) {
    auto *bytes = static_cast<unsigned char *>(into);
    while (size > 0) {
        const ssize_t n = ::pread(fd, bytes, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
        at += n;
    }
    return true;
}

bool noRoomError(int code) { return code == AVERROR(ENOSPC) || code == AVERROR(EDQUOT); }

// The demuxer reads the recording through this, so that it sees a file that ends
// where the last complete fragment does and never the torn bytes after it.
struct BoundedFile {
    int fd = -1;
    int64_t length = 0;
    int64_t position = 0;

    static int read(void *opaque, uint8_t *buffer, int size) {
        auto *self = static_cast<BoundedFile *>(opaque);
        const int64_t left = self->length - self->position;
        if (left <= 0)
            return AVERROR_EOF;
        const size_t want = size_t(std::min<int64_t>(size, left));
        ssize_t n;
        do {
            n = ::pread(self->fd, buffer, want, self->position);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return AVERROR(errno);
        if (n == 0)
            return AVERROR_EOF;
        self->position += n;
        return int(n);
    }

    static int64_t seek(void *opaque, int64_t offset, int whence) {
        auto *self = static_cast<BoundedFile *>(opaque);
        whence &= ~AVSEEK_FORCE;
        int64_t to;
        switch (whence) {
        case AVSEEK_SIZE: return self->length;
        case SEEK_SET: to = offset; break;
        case SEEK_CUR: to = self->position + offset; break;
        case SEEK_END: to = self->length + offset; break;
        default: return AVERROR(EINVAL);
        }
        if (to < 0)
            return AVERROR(EINVAL);
        self->position = to;
        return to;
    }
};

struct CopyResult {
    bool ok = false;
    bool noRoom = false;
    QString error;
};

// A failed step of the copy: what the user reads before FFmpeg's own words, and the
// code they come from.
struct StepError {
    QString what;
    int code = 0;
};
using Step = std::optional<StepError>;

Step failed(const QString &what, int code) { return StepError{what, code}; }

// The recording opened for reading, up to the end of its last complete fragment.
// Stays where it is made: FFmpeg reads through a pointer to `source`.
struct RecordingReader {
    BoundedFile source;
    IoContextPtr io;
    InputFormatPtr input;

    RecordingReader() = default;
    RecordingReader(const RecordingReader &) = delete;
    RecordingReader &operator=(const RecordingReader &) = delete;

    Step open(int fd, int64_t length) {
        source = BoundedFile{fd, length, 0};
        constexpr int kBufferSize = 1 << 16;
        auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferSize));
        if (!buffer)
            return failed(QString(), AVERROR(ENOMEM));
        io.reset(avio_alloc_context(buffer, kBufferSize, 0, &source, &BoundedFile::read, nullptr, &BoundedFile::seek));
        if (!io) {
            av_free(buffer);
            return failed(QString(), AVERROR(ENOMEM));
        }
        AVFormatContext *raw = avformat_alloc_context();
        if (!raw)
            return failed(QString(), AVERROR(ENOMEM));
        raw->pb = io.get();
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
        // A failed open frees the context itself.
        const int ret = avformat_open_input(&raw, nullptr, av_find_input_format("mov"), nullptr);
        if (ret < 0)
            return failed(QStringLiteral("The recording cannot be read: "), ret);
        input.reset(raw);
        return std::nullopt;
    }
};

// The ordinary movie at `part`, with the recording's picture and sound streams and
// its index (moov) first once finished. `outputIndex` maps each input stream to its
// output stream, -1 for one left out.
struct OrdinaryMovieWriter {
    OwnFileOutputPtr output;
    std::vector<int> outputIndex;

    Step open(const AVFormatContext *input, const QString &part) {
        AVFormatContext *raw = nullptr;
        const QByteArray partName = QFile::encodeName(part);
        int ret = avformat_alloc_output_context2(&raw, nullptr, "mov", partName.constData());
        if (ret < 0 || !raw)
            return failed(QStringLiteral("The movie cannot be made: "), ret < 0 ? ret : AVERROR(ENOMEM));
        output.reset(raw);
        if (const Step error = addStreams(input))
            return error;
        ret = avio_open(&output->pb, partName.constData(), AVIO_FLAG_WRITE);
        if (ret < 0)
            return failed(QStringLiteral("The movie cannot be made: "), ret);
        AVDictionary *options = nullptr;
        av_dict_set(&options, "movflags", "+faststart", 0);
        ret = avformat_write_header(output.get(), &options);
        av_dict_free(&options);
        if (ret < 0)
            return failed(QStringLiteral("The movie cannot be made: "), ret);
        return std::nullopt;
    }

    Step addStreams(const AVFormatContext *input) {
        outputIndex.assign(input->nb_streams, -1);
        for (unsigned i = 0; i < input->nb_streams; ++i) {
            const AVStream *from = input->streams[i];
            const AVMediaType type = from->codecpar->codec_type;
            if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO)
                continue;
            AVStream *to = avformat_new_stream(output.get(), nullptr);
            if (!to)
                return failed(QString(), AVERROR(ENOMEM));
            const int ret = avcodec_parameters_copy(to->codecpar, from->codecpar);
            if (ret < 0)
                return failed(QString(), ret);
            to->codecpar->codec_tag = 0;
            to->time_base = from->time_base;
            outputIndex[i] = to->index;
        }
        return std::nullopt;
    }

    Step finish() {
        const int ret = av_write_trailer(output.get());
        if (ret < 0)
            return failed(QStringLiteral("Finishing the movie failed: "), ret);
        if (output->pb->error < 0)
            return failed(QStringLiteral("Writing the movie failed: "), output->pb->error);
        return std::nullopt;
    }
};

// Copies packets into the movie in the order they come.
//
// The sound encoder's priming packet belongs before time 0, but a fragmented
// recording cannot say so (its index was written before the first packet) and stores
// it at the time of the first real one. Put back where it was, it makes the ordinary
// movie's edit list hide it again, and the sound keeps its place against the picture
// instead of coming one packet late.
class PacketCopier {
public:
    PacketCopier(const AVFormatContext *input, OrdinaryMovieWriter &movie)
        : m_input(input), m_movie(movie), m_soundPackets(movie.output->nb_streams, 0) {}

    bool allocate() {
        m_priming.reset(av_packet_alloc());
        return bool(m_priming);
    }

    // Takes the reference of `packet`, read from the recording.
    Step copy(AVPacket *packet) {
        const int to = m_movie.outputIndex[size_t(packet->stream_index)];
        if (to < 0) {
            av_packet_unref(packet);
            return std::nullopt;
        }
        AVFormatContext *output = m_movie.output.get();
        av_packet_rescale_ts(packet, m_input->streams[packet->stream_index]->time_base, output->streams[to]->time_base);
        packet->stream_index = to;
        packet->pos = -1;
        int ret = 0;
        if (output->streams[to]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && m_soundPackets[size_t(to)] < 2) {
            if (m_soundPackets[size_t(to)]++ == 0) {
                av_packet_move_ref(m_priming.get(), packet);
                return std::nullopt;
            }
            placePriming(output->streams[to], packet);
            ret = write(m_priming.get());
        }
        if (ret >= 0)
            ret = write(packet);
        if (ret < 0)
            return failed(QStringLiteral("Writing the movie failed: "), ret);
        return std::nullopt;
    }

    // A sound of a single packet: the one kept back goes in as it is.
    Step finish() {
        for (const int seen : m_soundPackets)
            if (seen == 1)
                if (const int ret = write(m_priming.get()); ret < 0)
                    return failed(QStringLiteral("Writing the movie failed: "), ret);
        return std::nullopt;
    }

    int64_t copied() const { return m_copied; }

private:
    // Moves the priming packet one frame before `first`, the first real sound packet,
    // when the recording stored it at the same time.
    void placePriming(const AVStream *stream, const AVPacket *first) {
        const AVCodecParameters *sound = stream->codecpar;
        // The demuxer leaves the frame size out; AAC's is fixed.
        const int frameSize =
            sound->frame_size > 0 ? sound->frame_size : (sound->codec_id == AV_CODEC_ID_AAC ? 1024 : 0);
        if (m_priming->dts != first->dts || frameSize <= 0)
            return;
        const int64_t length = av_rescale_q(frameSize, AVRational{1, sound->sample_rate}, stream->time_base);
        m_priming->dts -= length;
        m_priming->pts = m_priming->dts;
        m_priming->duration = length;
    }

    int write(AVPacket *out) {
        ++m_copied;
        return av_interleaved_write_frame(m_movie.output.get(), out);
    }

    const AVFormatContext *m_input;
    OrdinaryMovieWriter &m_movie;
    PacketPtr m_priming;
    std::vector<int> m_soundPackets; // sound packets seen per output stream, up to 2
    int64_t m_copied = 0;
};

// Stream copy of every picture and sound packet into an ordinary movie with its
// moov first. Packets the demuxer cannot read end the copy there: what came before
// them is the movie.
CopyResult copyIntoOrdinaryMovie(int fd, int64_t length, const QString &part) {
    CopyResult result;
    const auto fail = [&result](const StepError &error) {
        result.noRoom = noRoomError(error.code);
        result.error = error.what + avErrorText(error.code);
        return result;
    };
    RecordingReader reader;
    if (const Step error = reader.open(fd, length))
        return fail(*error);
    OrdinaryMovieWriter movie;
    if (const Step error = movie.open(reader.input.get(), part))
        return fail(*error);
    PacketCopier copier(reader.input.get(), movie);
    PacketPtr packet(av_packet_alloc());
    if (!packet || !copier.allocate())
        return fail(StepError{QString(), AVERROR(ENOMEM)});
    while (av_read_frame(reader.input.get(), packet.get()) >= 0)
        if (const Step error = copier.copy(packet.get()))
            return fail(*error);
    if (const Step error = copier.finish())
        return fail(*error);
    if (copier.copied() == 0) {
        result.error = QStringLiteral("The recording holds no picture or sound.");
        return result;
    }
    if (const Step error = movie.finish())
        return fail(*error);
    result.ok = true;
    return result;
}

// Whether `candidate` is a name the finished movie may take: not the name of a
// recording still running beside it (that one's movie will want it).
bool freeOfRecordings(const QString &candidate, const QString &ownRecording) {
    const QString runningName = recordingPathFor(candidate);
    struct stat info {};
    return runningName == ownRecording || ::lstat(QFile::encodeName(runningName).constData(), &info) != 0;
}

// Puts the movie at `wanted` or the next free numbered name, never over a file that
// is there nor over the name of a recording still running: by `place`, which says
// whether a name was taken. Empty on failure.
QString placeUnderFreeName(const QString &wanted, const QString &ownRecording, QString *error,
                           const std::function<safeFile::Outcome(const QString &)> &place) {
    for (int n = 1; n < 100; ++n) {
        const QString candidate = numberedPath(wanted, n);
        if (!freeOfRecordings(candidate, ownRecording))
            continue;
        switch (place(candidate)) {
        case safeFile::Outcome::Done: return candidate;
        case safeFile::Outcome::NameTaken: continue;
        case safeFile::Outcome::Failed: return {};
        }
    }
    *error = QStringLiteral("No free name is left beside ") + wanted;
    return {};
}

} // namespace

FragmentScan scanFragments(int fd) {
    FragmentScan scan;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return scan;
    const int64_t size = info.st_size;
    int64_t at = 0;
    bool moofOpen = false;
    bool first = true;
    while (at + 8 <= size) {
        unsigned char head[16];
        if (!readAt(fd, head, 8, at))
            break;
        uint64_t atomSize = bigEndian32(head);
        const std::string type(reinterpret_cast<const char *>(head + 4), 4);
        int64_t headerSize = 8;
        if (atomSize == 1) {
            if (at + 16 > size || !readAt(fd, head + 8, 8, at + 8))
                break;
            atomSize = uint64_t(bigEndian32(head + 8)) << 32 | bigEndian32(head + 12);
            headerSize = 16;
        }
        // Size 0 (to the end of the file) is never written into a fragmented
        // recording; with it, or with a size shorter than its header, the file
        // goes no further.
        if (atomSize < uint64_t(headerSize) || atomSize > uint64_t(size - at))
            break;
        if (first && type != "ftyp")
            break;
        first = false;
        const int64_t end = at + int64_t(atomSize);
        if (type == "moov") {
            scan.header = true;
            scan.playableLength = end;
        } else if (type == "moof") {
            moofOpen = scan.header;
        } else if (type == "mdat" && moofOpen) {
            moofOpen = false;
            ++scan.fragments;
            scan.playableLength = end;
        } else if (type == "mfra" && scan.header && !moofOpen) {
            scan.playableLength = end;
        }
        at = end;
    }
    return scan;
}

int64_t freeBytesIn(const QString &folder, const RoomRule &rule) {
    if (rule.freeSpace)
        return rule.freeSpace(folder);
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return INT64_MAX; // unknown: the copy itself will tell
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
}

FinishedMovie finishFragmented(int fd, const QString &recordingPath, int64_t length, const QString &wantedPath,
                               const RoomRule &room) {
    FinishedMovie finished;
    const QString folder = QFileInfo(recordingPath).absolutePath();
    // A part an earlier, killed finish of this recording left: ours (the folder is
    // private and the caller holds the recording's lock), and of no use any more.
    ::unlink(QFile::encodeName(partPathFor(wantedPath)).constData());
    // The copy is made as a private file beside the movie, fsync-ed and then given
    // its name without ever replacing anything there.
    safeFile::Writer part(wantedPath, safeFile::Mode::PrivateFile);
    // The copy is about as big as the recording, and its index a little more.
    const int64_t needed = length + length / 50 + (int64_t(1) << 20);
    CopyResult copy;
    if (freeBytesIn(folder, room) - needed < room.reserveBytes) {
        copy.noRoom = true;
        copy.error = QStringLiteral("There is no room on the disk to finish the movie.");
    } else if (!part.ok()) {
        copy.error = QStringLiteral("The movie cannot be made: ") + part.error();
    } else {
        copy = copyIntoOrdinaryMovie(fd, length, part.temporaryPath());
    }
    QString why;
    if (copy.ok) {
        finished.path = placeUnderFreeName(wantedPath, recordingPath, &why, [&](const QString &candidate) {
            const safeFile::Outcome placed = part.commit(safeFile::Placement::KeepExisting, candidate);
            if (placed == safeFile::Outcome::Failed)
                why = part.error();
            return placed;
        });
        if (!finished.path.isEmpty()) {
            ::unlink(QFile::encodeName(recordingPath).constData());
            finished.playable = true;
            return finished;
        }
        copy.error = QStringLiteral("Writing the movie failed: ") + why;
    }
    part.abandon();
    if (copy.noRoom)
        copy.error = QStringLiteral("There is no room on the disk to finish the movie.");
    // The recording is a movie already: it keeps what the copy could not make.
    if (::ftruncate(fd, length) != 0) {
        // Bytes past the last fragment stay; players stop at them.
    }
    finished.path = placeUnderFreeName(wantedPath, recordingPath, &why, [&](const QString &candidate) {
        return safeFile::placeWithoutReplacing(recordingPath, candidate, &why);
    });
    finished.playable = !finished.path.isEmpty();
    finished.keptFragmented = finished.playable;
    finished.error = finished.playable ? copy.error : copy.error + QLatin1Char(' ') + why;
    if (!finished.path.isEmpty())
        return finished;
    finished.path = recordingPath;
    return finished;
}

QString recordingPathFor(const QString &finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath(info.completeBaseName() + QLatin1String(kRecordingSuffix));
}

QString finalPathFor(const QString &recordingPath) {
    const QFileInfo info(recordingPath);
    QString name = info.fileName();
    name.chop(qsizetype(std::strlen(kRecordingSuffix)));
    return info.dir().filePath(name + QStringLiteral(".mov"));
}

QString partPathFor(const QString &moviePath) {
    const QFileInfo info(moviePath);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

QString numberedPath(const QString &wanted, int n) {
    if (n <= 1)
        return wanted;
    const QFileInfo info(wanted);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(" %1.").arg(n) + info.suffix());
}

} // namespace qn
