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

// Stream copy of every picture and sound packet into an ordinary movie with its
// moov first. Packets the demuxer cannot read end the copy there: what came before
// them is the movie.
CopyResult copyIntoOrdinaryMovie(int fd, int64_t length, const QString &part) {
    CopyResult result;
    auto fail = [&](const QString &what, int code) {
        result.noRoom = noRoomError(code);
        result.error = what + avErrorText(code);
        return result;
    };
    BoundedFile source{fd, length, 0};
    constexpr int kBufferSize = 1 << 16;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferSize));
    if (!buffer)
        return fail(QString(), AVERROR(ENOMEM));
    IoContextPtr io(
        avio_alloc_context(buffer, kBufferSize, 0, &source, &BoundedFile::read, nullptr, &BoundedFile::seek));
    if (!io) {
        av_free(buffer);
        return fail(QString(), AVERROR(ENOMEM));
    }
    AVFormatContext *rawInput = avformat_alloc_context();
    if (!rawInput)
        return fail(QString(), AVERROR(ENOMEM));
    rawInput->pb = io.get();
    rawInput->flags |= AVFMT_FLAG_CUSTOM_IO;
    int ret = avformat_open_input(&rawInput, nullptr, av_find_input_format("mov"), nullptr);
    if (ret < 0)
        return fail(QStringLiteral("The recording cannot be read: "), ret);
    InputFormatPtr input(rawInput);

    AVFormatContext *rawOutput = nullptr;
    const QByteArray partName = QFile::encodeName(part);
    ret = avformat_alloc_output_context2(&rawOutput, nullptr, "mov", partName.constData());
    if (ret < 0 || !rawOutput)
        return fail(QStringLiteral("The movie cannot be made: "), ret < 0 ? ret : AVERROR(ENOMEM));
    OwnFileOutputPtr output(rawOutput);
    std::vector<int> outputIndex(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream *from = input->streams[i];
        const AVMediaType type = from->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO)
            continue;
        AVStream *to = avformat_new_stream(output.get(), nullptr);
        if (!to)
            return fail(QString(), AVERROR(ENOMEM));
        ret = avcodec_parameters_copy(to->codecpar, from->codecpar);
        if (ret < 0)
            return fail(QString(), ret);
        to->codecpar->codec_tag = 0;
        to->time_base = from->time_base;
        outputIndex[i] = to->index;
    }
    ret = avio_open(&output->pb, partName.constData(), AVIO_FLAG_WRITE);
    if (ret < 0)
        return fail(QStringLiteral("The movie cannot be made: "), ret);
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    ret = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (ret < 0)
        return fail(QStringLiteral("The movie cannot be made: "), ret);

    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return fail(QString(), AVERROR(ENOMEM));
    // The sound encoder's priming packet belongs before time 0, but a fragmented
    // recording cannot say so (its index was written before the first packet) and
    // stores it at the time of the first real one. Put back where it was, it makes
    // the ordinary movie's edit list hide it again, and the sound keeps its place
    // against the picture instead of coming one packet late.
    PacketPtr priming(av_packet_alloc());
    if (!priming)
        return fail(QString(), AVERROR(ENOMEM));
    std::vector<int> soundPackets(output->nb_streams, 0);
    int64_t copied = 0;
    auto write = [&](AVPacket *out) {
        ++copied;
        return av_interleaved_write_frame(output.get(), out);
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const int to = outputIndex[size_t(packet->stream_index)];
        if (to < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        av_packet_rescale_ts(packet.get(), input->streams[packet->stream_index]->time_base,
                             output->streams[to]->time_base);
        packet->stream_index = to;
        packet->pos = -1;
        ret = 0;
        if (output->streams[to]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && soundPackets[size_t(to)] < 2) {
            const int seen = soundPackets[size_t(to)]++;
            if (seen == 0) {
                av_packet_move_ref(priming.get(), packet.get());
                continue;
            }
            const AVCodecParameters *sound = output->streams[to]->codecpar;
            // The demuxer leaves the frame size out; AAC's is fixed.
            const int frameSize =
                sound->frame_size > 0 ? sound->frame_size : (sound->codec_id == AV_CODEC_ID_AAC ? 1024 : 0);
            if (priming->dts == packet->dts && frameSize > 0) {
                const int64_t length =
                    av_rescale_q(frameSize, AVRational{1, sound->sample_rate}, output->streams[to]->time_base);
                priming->dts -= length;
                priming->pts = priming->dts;
                priming->duration = length;
            }
            ret = write(priming.get());
        }
        if (ret >= 0)
            ret = write(packet.get());
        if (ret < 0)
            return fail(QStringLiteral("Writing the movie failed: "), ret);
    }
    for (size_t i = 0; i < soundPackets.size(); ++i)
        if (soundPackets[i] == 1 && (ret = write(priming.get())) < 0)
            return fail(QStringLiteral("Writing the movie failed: "), ret);
    if (copied == 0) {
        result.error = QStringLiteral("The recording holds no picture or sound.");
        return result;
    }
    ret = av_write_trailer(output.get());
    if (ret < 0)
        return fail(QStringLiteral("Finishing the movie failed: "), ret);
    if (output->pb->error < 0)
        return fail(QStringLiteral("Writing the movie failed: "), output->pb->error);
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
