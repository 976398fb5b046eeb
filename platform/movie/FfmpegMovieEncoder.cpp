#include "platform/MovieEncoder.h"
#include "platform/movie/FfmpegHandles.h"
#include "platform/movie/FragmentedMovie.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qn {

namespace {
constexpr AVRational kMicros{1, 1'000'000};
constexpr AVRational kVideoTimeBase{1, 90'000};
// Fragments close after this much movie. A kill costs the open fragment, the newest
// picture (which waits for the next to know its length) and what the pipeline still
// holds: well under a second. Each fragment adds a few hundred bytes.
constexpr int64_t kFragmentUs = 500'000;
// Pictures up to this size encode on one thread (less CPU); larger ones fall behind on one.
constexpr int64_t kOneThreadPixels = 1920 * 1200;

// Threads for a larger picture. Each of x264's threads encodes a slice of every
// picture and keeps megabytes of work space of its own: four keep a 4K screen at 30
// pictures a second with less CPU and about 10 MB less memory than one per core,
// which x264 would choose.
int largePictureThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return int(std::clamp(cores, 1u, 4u));
}

// A picture to encode; none means the last one again (a held picture).
struct PendingPicture {
    FrameBufferPtr picture;
    int64_t ptsUs = 0;
};

bool sameFile(int fd, const QString &path) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino && opened.st_nlink > 0 &&
           S_ISREG(opened.st_mode);
}

// The recording on disk: made and locked here, written by FFmpeg through write().
// The lock lives as long as the descriptor, so the kernel drops it with the process
// however that ends, and a leftover is told from a recording in progress by it.
struct RecordingFile {
    int fd = -1;
    int64_t written = 0;  // bytes that reached the file
    int64_t complete = 0; // up to the end of the header or of the last whole fragment
    int error = 0;        // errno of the first write that failed

    RecordingFile() = default;
    RecordingFile(const RecordingFile &) = delete;
    RecordingFile &operator=(const RecordingFile &) = delete;
    ~RecordingFile() { close(); }
    void close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    static int write(void *opaque, uint8_t *buffer, int size) {
        auto *self = static_cast<RecordingFile *>(opaque);
        if (self->error)
            return AVERROR(self->error);
        while (size > 0) {
            const ssize_t n = ::write(self->fd, buffer, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                self->error = n < 0 ? errno : ENOSPC;
                return AVERROR(self->error);
            }
            self->written += n;
            buffer += n;
            size -= int(n);
        }
        return 0;
    }
};

class FfmpegMovieEncoder final : public MovieEncoder {
public:
    using Settings = MovieWriter::Settings;
    using Status = MovieWriter::Status;

    FfmpegMovieEncoder();
    ~FfmpegMovieEncoder() override;

    bool start(const Settings &settings, QString *error) override;
    QString path() const override;
    bool appendVideo(FrameBufferPtr picture, int64_t ptsUs) override;
    void holdVideo(int64_t ptsUs) override;
    void appendAudio(const int16_t *samples, size_t count) override;
    int64_t audioSamples() const override;
    bool finish(int64_t endUs) override;
    Status status() const override;
    QString errorText() const override;
    int64_t droppedFrames() const override;
    bool diskFull() const override;
    int64_t encodedFrames() const override;
    bool keptFragmented() const override;
    std::vector<MovieWriter::RecoveredMovie> recoverLeftovers(const QString &folder) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

struct FfmpegMovieEncoder::Private {
    Settings settings; // its path is the movie's final name
    QString recordingPath;
    RecordingFile file;
    IoContextPtr io;
    OutputFormatPtr format;
    CodecContextPtr video;
    CodecContextPtr audio; // none when the movie has no sound
    AVStream *videoStream = nullptr;
    AVStream *audioStream = nullptr;
    SwsContextPtr sws;
    int swsWidth = 0, swsHeight = 0;
    FramePtr lastPicture; // the newest converted picture, kept to hold it
    FramePtr audioFrame;
    PacketPtr packet;
    // The newest picture's packet waits for the next one: a fragment is final once
    // written, so a picture's length must be known before it goes (a still screen
    // or a dropped picture makes it longer than one frame).
    PacketPtr waitingPicture;
    int64_t lastEncodedPts = -1; // video time base
    int64_t audioPts = 0;        // samples handed to the encoder
    int64_t fragmentStartUs = -1;
    int fragments = 0; // whole fragments in the file
    // The file takes nothing more (the disk filled or failed); what it holds stays.
    std::atomic<bool> writeStopped{false};

    std::thread worker;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<PendingPicture> pictures;
    std::vector<int16_t> sound; // samples not yet encoded
    int64_t lastQueuedUs = -1;
    int64_t heldUs = -1;
    int64_t audioTaken = 0;
    bool finishing = false;
    int64_t endUs = 0;
    Status status = Status::Unknown;
    QString error;
    bool kept = false;
    std::atomic<int64_t> dropped{0};
    std::atomic<bool> diskFull{false};
    std::chrono::steady_clock::time_point lastSpaceCheck{};
    std::atomic<int64_t> encoded{0};

    void fail(const QString &text) {
        std::lock_guard lock(mutex);
        if (error.isEmpty())
            error = text;
    }
    bool takesMore() const { return !diskFull && !writeStopped; }

    // Start, in order.
    bool reserveFiles(QString *why);
    bool openMuxer(QString *why);
    bool openVideoEncoder(QString *why);
    bool openAudioEncoder(QString *why);
    bool allocateFrames(QString *why);
    bool writeHeader(QString *why);
    void abandonStart();

    // The worker.
    void run();
    void writePackets(AVCodecContext *codec, AVStream *stream, int64_t durationInCodecBase);
    void writePacket(AVPacket *out, AVStream *stream);
    void passPicture(AVPacket *next);
    void cutFragment();
    void stopWriting();
    bool encodePicture(AVFrame *frame);
    bool prepareConverter(int width, int height);
    bool convertAndEncode(PendingPicture &pending);
    int64_t gridPts(int64_t us) const;
    bool encodeSound(const int16_t *samples, int count);
    void checkSpace();
    void endStreams();

    // Finish, after the worker.
    void writeTrailer();
    void turnIntoMovie();
};

bool FfmpegMovieEncoder::Private::reserveFiles(QString *why) {
    // The recording is made here, exclusively and without following a link, so a
    // name planted in a shared folder cannot point the movie at someone's file; a
    // movie name that is taken, or whose recording runs, goes to the next number.
    for (int n = 1; n < 100; ++n) {
        const QString finalPath = numberedPath(settings.path, n);
        const QString recording = recordingPathFor(finalPath);
        struct stat info {};
        if (::lstat(QFile::encodeName(finalPath).constData(), &info) == 0)
            continue;
        const int fd =
            ::open(QFile::encodeName(recording).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *why = QStringLiteral("The movie file cannot be created: ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        // Between the open and the lock another start-up's recovery may have taken
        // the empty file for a leftover; then it is not ours any more.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !sameFile(fd, recording)) {
            ::close(fd);
            continue;
        }
        file.fd = fd;
        recordingPath = recording;
        settings.path = finalPath;
        return true;
    }
    *why = QStringLiteral("The movie file cannot be created: no free name is left.");
    return false;
}

bool FfmpegMovieEncoder::Private::openMuxer(QString *why) {
    constexpr int kBufferSize = 1 << 16;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferSize));
    if (buffer)
        io.reset(avio_alloc_context(buffer, kBufferSize, 1, &file, nullptr, &RecordingFile::write, nullptr));
    if (!io) {
        av_free(buffer);
        *why = QStringLiteral("Out of memory.");
        return false;
    }
    // Written front to back only: each fragment is final once it is out.
    io->seekable = 0;
    AVFormatContext *raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "mov", recordingPath.toUtf8().constData()) < 0 || !raw) {
        *why = QStringLiteral("Can't create AVAssetWriter.");
        return false;
    }
    format.reset(raw);
    format->pb = io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The sound comes first in the file, as movies of this program always had it.
    if (settings.audio)
        audioStream = avformat_new_stream(format.get(), nullptr);
    videoStream = avformat_new_stream(format.get(), nullptr);
    packet.reset(av_packet_alloc());
    waitingPicture.reset(av_packet_alloc());
    if (!videoStream || (settings.audio && !audioStream) || !packet || !waitingPicture) {
        *why = QStringLiteral("Out of memory.");
        return false;
    }
    return true;
}

bool FfmpegMovieEncoder::Private::openVideoEncoder(QString *why) {
    const AVCodec *h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264)
        h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!h264) {
        *why = QStringLiteral("No H.264 or AAC encoder is available.");
        return false;
    }
    video.reset(avcodec_alloc_context3(h264));
    if (!video) {
        *why = QStringLiteral("Out of memory.");
        return false;
    }
    AVCodecContext *v = video.get();
    v->width = settings.width;
    v->height = settings.height;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = kVideoTimeBase;
    v->framerate = AVRational{settings.fps, 1};
    // A key picture every second, so that every fragment can open with one.
    v->gop_size = settings.fps;
    v->color_primaries = AVCOL_PRI_BT709;
    v->color_trc = AVCOL_TRC_BT709;
    v->colorspace = AVCOL_SPC_BT709;
    v->color_range = AVCOL_RANGE_MPEG;
    v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "preset", settings.preset.toUtf8().constData(), 0);
    // No look-ahead and no reordering: a picture leaves the encoder as it comes in,
    // which keeps a 4K recording's memory to a few pictures.
    av_dict_set(&options, "tune", "zerolatency", 0);
    av_dict_set(&options, "crf", QByteArray::number(settings.crf).constData(), 0);
    // One encoder thread keeps up with a 1080p screen at less CPU than several; a
    // larger picture falls behind on one, and takes a few.
    v->thread_count = int64_t(v->width) * v->height > kOneThreadPixels ? largePictureThreads() : 1;
    const int ret = avcodec_open2(v, h264, &options);
    av_dict_free(&options);
    if (ret < 0) {
        *why = QStringLiteral("The video encoder cannot start: ") + avErrorText(ret);
        return false;
    }
    avcodec_parameters_from_context(videoStream->codecpar, v);
    videoStream->time_base = v->time_base;
    return true;
}

bool FfmpegMovieEncoder::Private::openAudioEncoder(QString *why) {
    if (!settings.audio)
        return true;
    const AVCodec *aac = avcodec_find_encoder_by_name("aac");
    if (!aac) {
        *why = QStringLiteral("No H.264 or AAC encoder is available.");
        return false;
    }
    audio.reset(avcodec_alloc_context3(aac));
    if (!audio) {
        *why = QStringLiteral("Out of memory.");
        return false;
    }
    AVCodecContext *a = audio.get();
    a->sample_fmt = AV_SAMPLE_FMT_FLTP;
    a->sample_rate = settings.sampleRate;
    av_channel_layout_default(&a->ch_layout, 1);
    a->bit_rate = settings.audioBitRate;
    a->time_base = AVRational{1, settings.sampleRate};
    a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int ret = avcodec_open2(a, aac, nullptr);
    if (ret < 0) {
        *why = QStringLiteral("The audio encoder cannot start: ") + avErrorText(ret);
        return false;
    }
    avcodec_parameters_from_context(audioStream->codecpar, a);
    audioStream->time_base = a->time_base;
    return true;
}

bool FfmpegMovieEncoder::Private::allocateFrames(QString *why) {
    *why = QStringLiteral("Out of memory.");
    lastPicture.reset(av_frame_alloc());
    if (!lastPicture)
        return false;
    lastPicture->format = video->pix_fmt;
    lastPicture->width = video->width;
    lastPicture->height = video->height;
    lastPicture->color_primaries = AVCOL_PRI_BT709;
    lastPicture->color_trc = AVCOL_TRC_BT709;
    lastPicture->colorspace = AVCOL_SPC_BT709;
    lastPicture->color_range = AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(lastPicture.get(), 0) < 0)
        return false;
    if (!audio)
        return true;
    audioFrame.reset(av_frame_alloc());
    if (!audioFrame)
        return false;
    audioFrame->format = audio->sample_fmt;
    audioFrame->sample_rate = audio->sample_rate;
    av_channel_layout_default(&audioFrame->ch_layout, 1);
    audioFrame->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
    return av_frame_get_buffer(audioFrame.get(), 0) >= 0;
}

bool FfmpegMovieEncoder::Private::writeHeader(QString *why) {
    // The index of the movie is written empty at the start, and every fragment then
    // carries its own: the file never waits for an index at its end.
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "frag_custom+empty_moov+default_base_moof", 0);
    const int ret = avformat_write_header(format.get(), &options);
    av_dict_free(&options);
    if (ret >= 0)
        avio_flush(format->pb);
    if (ret < 0 || file.error) {
        *why = QStringLiteral("Can't start AVAssetWriter. ") +
               (file.error ? QString::fromLocal8Bit(std::strerror(file.error)) : avErrorText(ret));
        return false;
    }
    file.complete = file.written;
    return true;
}

void FfmpegMovieEncoder::Private::abandonStart() {
    format.reset();
    io.reset();
    sws.reset();
    video.reset();
    audio.reset();
    // A file made here and left without a picture would only confuse.
    if (file.fd >= 0)
        ::unlink(QFile::encodeName(recordingPath).constData());
    file.close();
}

void FfmpegMovieEncoder::Private::stopWriting() {
    if (writeStopped.exchange(true))
        return;
    // The torn fragment goes: the file ends where the last whole one does.
    if (::ftruncate(file.fd, file.complete) != 0) {
        // Left as it is, players stop at the torn bytes.
    }
    const int code = file.error;
    if (code == ENOSPC || code == EDQUOT) {
        diskFull = true;
        fail(QStringLiteral("The disk is full."));
    } else {
        fail(QStringLiteral("Writing the movie failed: ") + QString::fromLocal8Bit(std::strerror(code ? code : EIO)));
    }
}

void FfmpegMovieEncoder::Private::cutFragment() {
    fragmentStartUs = -1;
    if (writeStopped)
        return;
    av_write_frame(format.get(), nullptr);
    // Out of FFmpeg's buffer and into the file, where a kill cannot take it back.
    avio_flush(format->pb);
    if (file.error) {
        stopWriting();
        return;
    }
    if (file.written > file.complete)
        ++fragments;
    file.complete = file.written;
}

void FfmpegMovieEncoder::Private::writePacket(AVPacket *out, AVStream *stream) {
    if (writeStopped)
        return;
    const int64_t startUs = av_rescale_q(out->dts, stream->time_base, kMicros);
    const int64_t endUs = av_rescale_q(out->dts + out->duration, stream->time_base, kMicros);
    // Fragments open with a key picture where one comes in time, so that a movie
    // kept as recorded can still be played from any second.
    if (stream == videoStream && (out->flags & AV_PKT_FLAG_KEY) && fragmentStartUs >= 0 &&
        startUs - fragmentStartUs >= kFragmentUs / 2)
        cutFragment();
    if (writeStopped)
        return;
    if (fragmentStartUs < 0)
        fragmentStartUs = startUs;
    const int written = av_write_frame(format.get(), out);
    if (file.error) {
        stopWriting();
        return;
    }
    if (written < 0) {
        fail(QStringLiteral("Writing the movie failed: ") + avErrorText(written));
        return;
    }
    if (endUs - fragmentStartUs >= kFragmentUs)
        cutFragment();
}

// Writes the waiting picture, now that `next` (none at the end) tells how long it
// lasts, and keeps `next` waiting in its place.
void FfmpegMovieEncoder::Private::passPicture(AVPacket *next) {
    if (waitingPicture->data || waitingPicture->side_data_elems) {
        if (next && next->dts > waitingPicture->dts)
            waitingPicture->duration = next->dts - waitingPicture->dts;
        writePacket(waitingPicture.get(), videoStream);
        av_packet_unref(waitingPicture.get());
    }
    if (next)
        av_packet_move_ref(waitingPicture.get(), next);
}

void FfmpegMovieEncoder::Private::writePackets(AVCodecContext *codec, AVStream *stream, int64_t duration) {
    while (true) {
        const int ret = avcodec_receive_packet(codec, packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return;
        if (ret < 0) {
            fail(QStringLiteral("Encoding failed: ") + avErrorText(ret));
            return;
        }
        if (duration > 0)
            packet->duration = duration;
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (stream == videoStream)
            passPicture(packet.get());
        else
            writePacket(packet.get(), stream);
        av_packet_unref(packet.get());
    }
}

bool FfmpegMovieEncoder::Private::encodePicture(AVFrame *frame) {
    if (frame->pts <= lastEncodedPts)
        return false;
    const int ret = avcodec_send_frame(video.get(), frame);
    if (ret < 0) {
        fail(QStringLiteral("Encoding failed: ") + avErrorText(ret));
        return false;
    }
    lastEncodedPts = frame->pts;
    ++encoded;
    writePackets(video.get(), videoStream, av_rescale_q(1, AVRational{1, settings.fps}, video->time_base));
    return true;
}

bool FfmpegMovieEncoder::Private::prepareConverter(int width, int height) {
    if (sws && swsWidth == width && swsHeight == height)
        return true;
    // Same size: a plain colour conversion; otherwise the picture is fitted.
    const int flags = (width == video->width && height == video->height) ? SWS_POINT : SWS_BILINEAR;
    sws.reset(sws_alloc_context());
    if (!sws) {
        fail(QStringLiteral("Out of memory."));
        return false;
    }
    av_opt_set_int(sws.get(), "srcw", width, 0);
    av_opt_set_int(sws.get(), "srch", height, 0);
    av_opt_set_int(sws.get(), "src_format", AV_PIX_FMT_BGRA, 0);
    av_opt_set_int(sws.get(), "dstw", video->width, 0);
    av_opt_set_int(sws.get(), "dsth", video->height, 0);
    av_opt_set_int(sws.get(), "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(sws.get(), "sws_flags", flags, 0);
    av_opt_set_int(sws.get(), "threads", 0, 0);
    if (sws_init_context(sws.get(), nullptr, nullptr) < 0) {
        sws.reset();
        fail(QStringLiteral("The picture cannot be converted."));
        return false;
    }
    // Screen pixels are full-range sRGB; the movie is limited-range BT.709.
    const int *coefficients = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws.get(), coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
    swsWidth = width;
    swsHeight = height;
    return true;
}

// Pictures sit on the movie's frame grid: a screen grab that came late followed by one
// on time would otherwise lie a few milliseconds apart, and players and converters that
// count in frames see two pictures at one instant. A picture whose frame is taken goes
// to the next one when that is less than a frame ahead of it (the stream's rhythm sits
// near the middle of two frames), and is left out only when it is further ahead.
int64_t FfmpegMovieEncoder::Private::gridPts(int64_t us) const {
    const int64_t tick = av_rescale_rnd(us, settings.fps, 1'000'000, AV_ROUND_NEAR_INF);
    return av_rescale_q(tick, AVRational{1, settings.fps}, video->time_base);
}

bool FfmpegMovieEncoder::Private::convertAndEncode(PendingPicture &pending) {
    int64_t pts = gridPts(pending.ptsUs);
    if (pts <= lastEncodedPts && lastEncodedPts >= 0) {
        const AVRational frame{1, settings.fps};
        const int64_t nextTick = av_rescale_q(lastEncodedPts, video->time_base, frame) + 1;
        if (av_rescale(nextTick, 1'000'000, settings.fps) - pending.ptsUs >= 1'000'000 / settings.fps)
            return false;
        pts = av_rescale_q(nextTick, frame, video->time_base);
    }
    if (!pending.picture) {
        // The held picture once more, so that the file keeps up with the time line
        // while the screen stands still.
        if (lastEncodedPts < 0)
            return false;
        lastPicture->pts = pts;
        return encodePicture(lastPicture.get());
    }
    FrameBuffer picture = *pending.picture;
    // An odd last row or column that the even movie size leaves out is cut off,
    // not squeezed in: the rest of the picture keeps its pixels.
    if (picture.width - video->width == 1)
        picture.width = video->width;
    if (picture.height - video->height == 1)
        picture.height = video->height;
    if (!prepareConverter(picture.width, picture.height))
        return false;
    if (av_frame_make_writable(lastPicture.get()) < 0) {
        fail(QStringLiteral("Out of memory."));
        return false;
    }
    // The stream's picture is lent to the converter as it is: a buffer reference
    // that frees nothing, so the frame API (which converts on several threads)
    // does not copy it first.
    FramePtr source(av_frame_alloc());
    if (!source) {
        fail(QStringLiteral("Out of memory."));
        return false;
    }
    source->format = AV_PIX_FMT_BGRA;
    source->width = picture.width;
    source->height = picture.height;
    source->data[0] = const_cast<uint8_t *>(picture.data);
    source->linesize[0] = picture.stride;
    source->buf[0] = av_buffer_create(
        source->data[0], size_t(picture.stride) * size_t(picture.height), [](void *, uint8_t *) {}, nullptr,
        AV_BUFFER_FLAG_READONLY);
    const int scaled = source->buf[0] ? sws_scale_frame(sws.get(), lastPicture.get(), source.get()) : AVERROR(ENOMEM);
    source.reset();
    // The stream has only a few pictures to lend: this one goes back before the
    // encoder, the longer half of the work, starts on its copy.
    pending.picture.reset();
    if (scaled < 0) {
        fail(QStringLiteral("The picture cannot be converted: ") + avErrorText(scaled));
        return false;
    }
    lastPicture->pts = pts;
    return encodePicture(lastPicture.get());
}

bool FfmpegMovieEncoder::Private::encodeSound(const int16_t *samples, int count) {
    if (av_frame_make_writable(audioFrame.get()) < 0)
        return false;
    audioFrame->nb_samples = count;
    auto *out = reinterpret_cast<float *>(audioFrame->data[0]);
    for (int i = 0; i < count; ++i)
        out[i] = float(samples[i]) / 32768.0f;
    audioFrame->pts = audioPts;
    audioPts += count;
    const int ret = avcodec_send_frame(audio.get(), audioFrame.get());
    if (ret < 0) {
        fail(QStringLiteral("Encoding failed: ") + avErrorText(ret));
        return false;
    }
    writePackets(audio.get(), audioStream, 0);
    return true;
}

void FfmpegMovieEncoder::Private::checkSpace() {
    const auto now = std::chrono::steady_clock::now();
    if (diskFull || now - lastSpaceCheck < std::chrono::milliseconds(500))
        return;
    lastSpaceCheck = now;
    const QString folder = QFileInfo(settings.path).absolutePath();
    if (freeBytesIn(folder, RoomRule{0, settings.freeSpace}) < settings.minFreeBytes) {
        diskFull = true;
        fail(QStringLiteral("The disk is full."));
    }
}

void FfmpegMovieEncoder::Private::run() {
    const int frameSize = audio && audio->frame_size > 0 ? audio->frame_size : 1024;
    std::vector<int16_t> chunk;
    while (true) {
        PendingPicture next;
        bool haveNext = false;
        bool done = false;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return finishing || !pictures.empty() || int(sound.size()) >= frameSize; });
            if (!pictures.empty()) {
                next = std::move(pictures.front());
                pictures.pop_front();
                haveNext = true;
            }
            if (int(sound.size()) >= frameSize) {
                const size_t take = size_t(sound.size() / frameSize * frameSize);
                chunk.assign(sound.begin(), sound.begin() + ptrdiff_t(take));
                sound.erase(sound.begin(), sound.begin() + ptrdiff_t(take));
            } else {
                chunk.clear();
            }
            done = finishing && pictures.empty() && !haveNext;
        }
        if (haveNext)
            convertAndEncode(next);
        checkSpace();
        next.picture.reset(); // the stream's buffer goes back to its pool now
        for (size_t at = 0; at + size_t(frameSize) <= chunk.size(); at += size_t(frameSize))
            encodeSound(chunk.data() + at, frameSize);
        if (done)
            break;
    }
    endStreams();
}

// The end: the sound is cut or padded to the picture's end, the last picture lasts
// until then, and both encoders give up what they hold.
void FfmpegMovieEncoder::Private::endStreams() {
    int64_t end;
    int64_t hold;
    {
        std::lock_guard lock(mutex);
        end = endUs;
        hold = heldUs;
    }
    if (lastEncodedPts < 0) {
        // A movie needs one picture to be playable: black, at the start.
        av_frame_make_writable(lastPicture.get());
        for (int plane = 0; plane < 3; ++plane)
            std::memset(lastPicture->data[plane], plane == 0 ? 16 : 128,
                        size_t(lastPicture->linesize[plane]) * size_t(plane == 0 ? video->height : video->height / 2));
        lastPicture->pts = 0;
        encodePicture(lastPicture.get());
        end = std::max<int64_t>(end, 1'000'000 / settings.fps);
    }
    const int64_t oneFrame = 1'000'000 / settings.fps;
    hold = std::max(hold, end - oneFrame);
    const int64_t holdPts = gridPts(hold);
    // Within half a picture of the last one, the last picture's own length already
    // reaches the end.
    const int64_t halfFrame = av_rescale_q(oneFrame / 2, kMicros, video->time_base);
    if (holdPts > lastEncodedPts + halfFrame) {
        lastPicture->pts = holdPts;
        encodePicture(lastPicture.get());
    }
    if (audio) {
        std::vector<int16_t> chunk;
        {
            std::lock_guard lock(mutex);
            const int64_t endSamples = av_rescale(end, settings.sampleRate, 1'000'000);
            const int64_t have = audioPts + int64_t(sound.size());
            if (have < endSamples)
                sound.resize(sound.size() + size_t(endSamples - have), 0);
            else if (have > endSamples)
                sound.resize(size_t(std::max<int64_t>(0, endSamples - audioPts)));
            chunk.swap(sound);
        }
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        for (size_t at = 0; at < chunk.size(); at += size_t(frameSize))
            encodeSound(chunk.data() + at, int(std::min<size_t>(size_t(frameSize), chunk.size() - at)));
    }
    avcodec_send_frame(video.get(), nullptr);
    writePackets(video.get(), videoStream, av_rescale_q(1, AVRational{1, settings.fps}, video->time_base));
    passPicture(nullptr);
    if (audio) {
        avcodec_send_frame(audio.get(), nullptr);
        writePackets(audio.get(), audioStream, 0);
    }
}

void FfmpegMovieEncoder::Private::writeTrailer() {
    if (writeStopped)
        return;
    const int ret = av_write_trailer(format.get());
    avio_flush(format->pb);
    if (file.error) {
        stopWriting();
        return;
    }
    if (ret < 0) {
        fail(QStringLiteral("Finishing the movie failed: ") + avErrorText(ret));
        return;
    }
    if (file.written > file.complete)
        ++fragments;
    file.complete = file.written;
}

void FfmpegMovieEncoder::Private::turnIntoMovie() {
    if (fragments == 0) {
        // Not one picture reached the disk: there is no movie to keep.
        ::unlink(QFile::encodeName(recordingPath).constData());
        file.close();
        std::lock_guard lock(mutex);
        if (error.isEmpty())
            error = QStringLiteral("Writing the movie failed.");
        status = Status::Failed;
        return;
    }
    const FinishedMovie done = finishFragmented(file.fd, recordingPath, file.complete, settings.path,
                                                {settings.minFreeBytes, settings.freeSpace});
    file.close(); // the lock goes with it, once the recording has its movie name
    std::lock_guard lock(mutex);
    settings.path = done.path;
    kept = done.keptFragmented;
    if (error.isEmpty())
        error = done.error;
    status = done.playable ? Status::Completed : Status::Failed;
}

FfmpegMovieEncoder::FfmpegMovieEncoder() : d(std::make_unique<Private>()) {}

FfmpegMovieEncoder::~FfmpegMovieEncoder() { finish(0); }

bool FfmpegMovieEncoder::start(const Settings &settings, QString *error) {
    // The encoders' chatter (settings, statistics) is not for the user's terminal.
    av_log_set_level(AV_LOG_ERROR);
    d->settings = settings;
    d->settings.width &= ~1;
    d->settings.height &= ~1;
    QString why;
    const bool started = [&] {
        if (d->settings.width < 2 || d->settings.height < 2) {
            why = QStringLiteral("The recorded area is too small.");
            return false;
        }
        return d->reserveFiles(&why) && d->openMuxer(&why) && d->openVideoEncoder(&why) && d->openAudioEncoder(&why) &&
               d->allocateFrames(&why) && d->writeHeader(&why);
    }();
    if (!started) {
        d->abandonStart();
        if (error)
            *error = why;
        std::lock_guard lock(d->mutex);
        d->status = Status::Failed;
        d->error = why;
        return false;
    }
    {
        std::lock_guard lock(d->mutex);
        d->status = Status::Writing;
    }
    d->worker = std::thread([this] { d->run(); });
    return true;
}

bool FfmpegMovieEncoder::appendVideo(FrameBufferPtr picture, int64_t ptsUs) {
    std::lock_guard lock(d->mutex);
    if (d->status != Status::Writing || d->finishing || !d->takesMore() || !picture || ptsUs <= d->lastQueuedUs ||
        ptsUs <= d->heldUs)
        return false;
    if (int(d->pictures.size()) >= d->settings.maxQueuedFrames) {
        ++d->dropped;
        return false;
    }
    d->pictures.push_back({std::move(picture), ptsUs});
    d->lastQueuedUs = ptsUs;
    d->wake.notify_one();
    return true;
}

void FfmpegMovieEncoder::holdVideo(int64_t ptsUs) {
    std::lock_guard lock(d->mutex);
    if (d->status != Status::Writing || d->finishing || ptsUs <= d->lastQueuedUs || !d->takesMore())
        return;
    d->heldUs = std::max(d->heldUs, ptsUs);
    // A still screen sends no pictures; twice a fragment the last one goes into the
    // file again (a few bytes each), so that a kill costs no more of a still stretch
    // than of any other.
    if (d->lastQueuedUs >= 0 && ptsUs - d->lastQueuedUs >= kFragmentUs / 2) {
        d->pictures.push_back({nullptr, ptsUs});
        d->lastQueuedUs = ptsUs;
        d->wake.notify_one();
    }
}

void FfmpegMovieEncoder::appendAudio(const int16_t *samples, size_t count) {
    std::lock_guard lock(d->mutex);
    if (d->status != Status::Writing || d->finishing || !d->takesMore() || !d->settings.audio)
        return;
    d->sound.insert(d->sound.end(), samples, samples + count);
    d->audioTaken += int64_t(count);
    d->wake.notify_one();
}

int64_t FfmpegMovieEncoder::audioSamples() const {
    std::lock_guard lock(d->mutex);
    return d->audioTaken;
}

bool FfmpegMovieEncoder::finish(int64_t endUs) {
    {
        std::lock_guard lock(d->mutex);
        if (d->status != Status::Writing || d->finishing)
            return d->status == Status::Completed;
        d->finishing = true;
        d->endUs = std::max<int64_t>(endUs, 0);
        d->wake.notify_one();
    }
    if (d->worker.joinable())
        d->worker.join();
    d->writeTrailer();
    d->format.reset();
    d->io.reset();
    d->turnIntoMovie();
    return status() == Status::Completed;
}

QString FfmpegMovieEncoder::path() const {
    std::lock_guard lock(d->mutex);
    return d->settings.path;
}

FfmpegMovieEncoder::Status FfmpegMovieEncoder::status() const {
    std::lock_guard lock(d->mutex);
    return d->status;
}

QString FfmpegMovieEncoder::errorText() const {
    std::lock_guard lock(d->mutex);
    return d->error;
}

int64_t FfmpegMovieEncoder::droppedFrames() const { return d->dropped; }
int64_t FfmpegMovieEncoder::encodedFrames() const { return d->encoded; }
bool FfmpegMovieEncoder::diskFull() const { return d->diskFull; }

bool FfmpegMovieEncoder::keptFragmented() const {
    std::lock_guard lock(d->mutex);
    return d->kept;
}

std::vector<MovieWriter::RecoveredMovie> FfmpegMovieEncoder::recoverLeftovers(const QString &folder) {
    av_log_set_level(AV_LOG_ERROR);
    std::vector<MovieWriter::RecoveredMovie> found;
    const QDir dir(folder);
    const QString pattern = QStringLiteral("*") + QLatin1String(kRecordingSuffix);
    const RoomRule room{MovieWriter::Settings().minFreeBytes, {}};
    for (const QString &name : dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QString leftover = dir.filePath(name);
        RecordingFile file;
        file.fd = ::open(QFile::encodeName(leftover).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        // Held: a writer is still at it. Renamed or removed since the listing: it was
        // finished by its writer or by another start-up's recovery.
        if (file.fd < 0 || ::flock(file.fd, LOCK_EX | LOCK_NB) != 0 || !sameFile(file.fd, leftover))
            continue;
        const FragmentScan scan = scanFragments(file.fd);
        const QString movie = finalPathFor(leftover);
        if (!scan.header || scan.fragments == 0) {
            char start[8] = {};
            const bool ours = ::pread(file.fd, start, sizeof start, 0) < 8 || std::memcmp(start + 4, "ftyp", 4) == 0;
            if (!ours)
                continue; // not a recording of this program: not for us to remove
            ::unlink(QFile::encodeName(leftover).constData());
            found.push_back(
                {movie, false, QStringLiteral("The recording was stopped before its first second reached the disk.")});
            continue;
        }
        const FinishedMovie done = finishFragmented(file.fd, leftover, scan.playableLength, movie, room);
        found.push_back({done.path, done.playable, done.error});
    }
    return found;
}

} // namespace
} // namespace qn

// The one symbol the module shows: everything else stays hidden, so nothing here can
// stand in for a symbol of the program or of another library.
extern "C" __attribute__((visibility("default"))) qn::MovieEncoder *qn_create_movie_encoder(int interfaceVersion) {
    if (interfaceVersion != qn::kMovieEncoderInterface)
        return nullptr;
    return new (std::nothrow) qn::FfmpegMovieEncoder;
}
