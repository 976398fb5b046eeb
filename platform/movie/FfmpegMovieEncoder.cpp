#include "platform/MovieEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
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
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace qn {

namespace {
constexpr AVRational kMicros{1, 1'000'000};
constexpr AVRational kVideoTimeBase{1, 90'000};
constexpr int64_t kOneThreadPixels = 1920 * 1200;

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct PendingPicture {
    FrameBufferPtr picture;
    int64_t ptsUs = 0;
};

int64_t freeBytesOf(const QString &folder) {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return INT64_MAX; // unknown: do not stop a recording over it
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
}

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

private:
    struct Private;
    std::unique_ptr<Private> d;
};

struct FfmpegMovieEncoder::Private {
    Settings settings;
    AVFormatContext *format = nullptr;
    AVCodecContext *video = nullptr;
    AVCodecContext *audio = nullptr;
    AVStream *videoStream = nullptr;
    AVStream *audioStream = nullptr;
    SwsContext *sws = nullptr;
    int swsWidth = 0, swsHeight = 0;
    AVFrame *lastPicture = nullptr; // the newest converted picture, kept to hold it
    AVFrame *audioFrame = nullptr;
    AVPacket *packet = nullptr;
    int64_t lastEncodedPts = -1; // video time base
    int64_t audioPts = 0;        // samples handed to the encoder
    bool ioFailed = false;
    bool created = false;

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
    std::atomic<int64_t> dropped{0};
    std::atomic<bool> diskFull{false};
    std::chrono::steady_clock::time_point lastSpaceCheck{};
    void checkSpace();
    std::atomic<int64_t> encoded{0};

    void fail(const QString &text) {
        std::lock_guard lock(mutex);
        if (error.isEmpty())
            error = text;
        ioFailed = true;
    }
    bool writePackets(AVCodecContext *codec, AVStream *stream, int64_t durationInCodecBase);
    bool encodePicture(AVFrame *frame);
    bool convertAndEncode(PendingPicture &pending);
    bool encodeSound(const int16_t *samples, int count);
    void run();
    void release();
};

bool FfmpegMovieEncoder::Private::writePackets(AVCodecContext *codec, AVStream *stream, int64_t duration) {
    while (true) {
        const int ret = avcodec_receive_packet(codec, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0) {
            fail(QStringLiteral("Encoding failed: ") + avError(ret));
            return false;
        }
        if (duration > 0)
            packet->duration = duration;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (!ioFailed) {
            const int written = av_interleaved_write_frame(format, packet);
            if (written < 0)
                fail(QStringLiteral("Writing the movie failed: ") + avError(written));
        }
        av_packet_unref(packet);
    }
}

bool FfmpegMovieEncoder::Private::encodePicture(AVFrame *frame) {
    if (frame->pts <= lastEncodedPts)
        return false;
    const int ret = avcodec_send_frame(video, frame);
    if (ret < 0) {
        fail(QStringLiteral("Encoding failed: ") + avError(ret));
        return false;
    }
    lastEncodedPts = frame->pts;
    ++encoded;
    return writePackets(video, videoStream, av_rescale_q(1, AVRational{1, settings.fps}, video->time_base));
}

bool FfmpegMovieEncoder::Private::convertAndEncode(PendingPicture &pending) {
    FrameBuffer picture = *pending.picture;
    // An odd last row or column that the even movie size leaves out is cut off,
    // not squeezed in: the rest of the picture keeps its pixels.
    if (picture.width - video->width == 1 || picture.height - video->height == 1) {
        if (picture.width - video->width == 1)
            picture.width = video->width;
        if (picture.height - video->height == 1)
            picture.height = video->height;
    }
    if (!sws || swsWidth != picture.width || swsHeight != picture.height) {
        sws_freeContext(sws);
        // Same size: a plain colour conversion; otherwise the picture is fitted.
        const int flags = (picture.width == video->width && picture.height == video->height) ? SWS_POINT : SWS_BILINEAR;
        sws = sws_alloc_context();
        av_opt_set_int(sws, "srcw", picture.width, 0);
        av_opt_set_int(sws, "srch", picture.height, 0);
        av_opt_set_int(sws, "src_format", AV_PIX_FMT_BGRA, 0);
        av_opt_set_int(sws, "dstw", video->width, 0);
        av_opt_set_int(sws, "dsth", video->height, 0);
        av_opt_set_int(sws, "dst_format", AV_PIX_FMT_YUV420P, 0);
        av_opt_set_int(sws, "sws_flags", flags, 0);
        av_opt_set_int(sws, "threads", 0, 0);
        if (sws_init_context(sws, nullptr, nullptr) < 0) {
            sws_freeContext(sws);
            sws = nullptr;
            fail(QStringLiteral("The picture cannot be converted."));
            return false;
        }
        // Screen pixels are full-range sRGB; the movie is limited-range BT.709.
        const int *coefficients = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(sws, coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
        swsWidth = picture.width;
        swsHeight = picture.height;
    }
    if (av_frame_make_writable(lastPicture) < 0) {
        fail(QStringLiteral("Out of memory."));
        return false;
    }
    // The stream's picture is lent to the converter as it is: a buffer reference
    // that frees nothing, so the frame API (which converts on several threads)
    // does not copy it first.
    AVFrame *source = av_frame_alloc();
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
    const int scaled = source->buf[0] ? sws_scale_frame(sws, lastPicture, source) : AVERROR(ENOMEM);
    av_frame_free(&source);
    // The stream has only a few pictures to lend: this one goes back before the
    // encoder, the longer half of the work, starts on its copy.
    pending.picture.reset();
    if (scaled < 0) {
        fail(QStringLiteral("The picture cannot be converted: ") + avError(scaled));
        return false;
    }
    lastPicture->pts = av_rescale_q(pending.ptsUs, kMicros, video->time_base);
    return encodePicture(lastPicture);
}

bool FfmpegMovieEncoder::Private::encodeSound(const int16_t *samples, int count) {
    if (av_frame_make_writable(audioFrame) < 0)
        return false;
    audioFrame->nb_samples = count;
    auto *out = reinterpret_cast<float *>(audioFrame->data[0]);
    for (int i = 0; i < count; ++i)
        out[i] = float(samples[i]) / 32768.0f;
    audioFrame->pts = audioPts;
    audioPts += count;
    const int ret = avcodec_send_frame(audio, audioFrame);
    if (ret < 0) {
        fail(QStringLiteral("Encoding failed: ") + avError(ret));
        return false;
    }
    return writePackets(audio, audioStream, 0);
}

void FfmpegMovieEncoder::Private::checkSpace() {
    const auto now = std::chrono::steady_clock::now();
    if (diskFull || now - lastSpaceCheck < std::chrono::milliseconds(500))
        return;
    lastSpaceCheck = now;
    const QString folder = QFileInfo(settings.path).absolutePath();
    const int64_t free = settings.freeSpace ? settings.freeSpace(folder) : freeBytesOf(folder);
    if (free < settings.minFreeBytes) {
        diskFull = true;
        std::lock_guard lock(mutex);
        if (error.isEmpty())
            error = QStringLiteral("The disk is full.");
    }
}

void FfmpegMovieEncoder::Private::run() {
    const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
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

    // The end: the sound is cut or padded to the picture's end, the last picture
    // lasts until then, and both encoders give up what they hold.
    int64_t end;
    {
        std::lock_guard lock(mutex);
        end = endUs;
    }
    if (lastEncodedPts < 0) {
        // A movie needs one picture to be playable: black, at the start.
        av_frame_make_writable(lastPicture);
        for (int plane = 0; plane < 3; ++plane)
            std::memset(lastPicture->data[plane], plane == 0 ? 16 : 128,
                        size_t(lastPicture->linesize[plane]) * size_t(plane == 0 ? video->height : video->height / 2));
        lastPicture->pts = 0;
        encodePicture(lastPicture);
        end = std::max<int64_t>(end, 1'000'000 / settings.fps);
    }
    const int64_t oneFrame = 1'000'000 / settings.fps;
    int64_t hold = -1;
    {
        std::lock_guard lock(mutex);
        hold = heldUs;
    }
    hold = std::max(hold, end - oneFrame);
    const int64_t holdPts = av_rescale_q(hold, kMicros, video->time_base);
    // Within half a picture of the last one, the last picture's own length already
    // reaches the end.
    const int64_t halfFrame = av_rescale_q(oneFrame / 2, kMicros, video->time_base);
    if (holdPts > lastEncodedPts + halfFrame) {
        AVFrame *again = av_frame_clone(lastPicture);
        if (again) {
            again->pts = holdPts;
            encodePicture(again);
            av_frame_free(&again);
        }
    }
    {
        std::lock_guard lock(mutex);
        const int64_t endSamples = av_rescale(end, settings.sampleRate, 1'000'000);
        const int64_t have = audioPts + int64_t(sound.size());
        if (have < endSamples)
            sound.resize(sound.size() + size_t(endSamples - have), 0);
        else if (have > endSamples)
            sound.resize(size_t(std::max<int64_t>(0, endSamples - audioPts)));
        chunk.swap(sound);
        sound.clear();
    }
    for (size_t at = 0; at < chunk.size(); at += size_t(frameSize))
        encodeSound(chunk.data() + at, int(std::min<size_t>(size_t(frameSize), chunk.size() - at)));
    avcodec_send_frame(video, nullptr);
    writePackets(video, videoStream, av_rescale_q(1, AVRational{1, settings.fps}, video->time_base));
    avcodec_send_frame(audio, nullptr);
    writePackets(audio, audioStream, 0);
}

void FfmpegMovieEncoder::Private::release() {
    sws_freeContext(sws);
    sws = nullptr;
    av_frame_free(&lastPicture);
    av_frame_free(&audioFrame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (format) {
        if (format->pb)
            avio_closep(&format->pb);
        avformat_free_context(format);
        format = nullptr;
    }
}

FfmpegMovieEncoder::FfmpegMovieEncoder() : d(std::make_unique<Private>()) {}

FfmpegMovieEncoder::~FfmpegMovieEncoder() {
    finish(0);
    d->release();
}

bool FfmpegMovieEncoder::start(const Settings &settings, QString *error) {
    // The encoders' chatter (settings, statistics) is not for the user's terminal.
    av_log_set_level(AV_LOG_ERROR);
    auto failWith = [&](const QString &text) {
        if (error)
            *error = text;
        d->release();
        // A file made here and left empty would only confuse.
        if (d->created)
            QFile::remove(d->settings.path);
        std::lock_guard lock(d->mutex);
        d->status = Status::Failed;
        d->error = text;
        return false;
    };
    d->settings = settings;
    d->settings.width &= ~1;
    d->settings.height &= ~1;
    if (d->settings.width < 2 || d->settings.height < 2)
        return failWith(QStringLiteral("The recorded area is too small."));

    // The file is created here, exclusively and without following a link, so a
    // name planted in a shared folder cannot point the movie at someone's file.
    QString chosen = settings.path;
    for (int n = 2;; ++n) {
        const int fd =
            ::open(QFile::encodeName(chosen).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        if (errno != EEXIST || n > 99)
            return failWith(QStringLiteral("The movie file cannot be created: ") +
                            QString::fromLocal8Bit(std::strerror(errno)));
        const QFileInfo info(settings.path);
        chosen = info.dir().filePath(info.completeBaseName() + QStringLiteral(" %1.").arg(n) + info.suffix());
    }
    d->settings.path = chosen;
    d->created = true;
    const QByteArray path = chosen.toUtf8();
    if (avformat_alloc_output_context2(&d->format, nullptr, "mov", path.constData()) < 0 || !d->format)
        return failWith(QStringLiteral("Can't create AVAssetWriter."));

    const AVCodec *h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264)
        h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
    const AVCodec *aac = avcodec_find_encoder_by_name("aac");
    if (!h264 || !aac)
        return failWith(QStringLiteral("No H.264 or AAC encoder is available."));

    // The sound comes first in the file, as movies of this program always had it.
    d->audioStream = avformat_new_stream(d->format, nullptr);
    d->videoStream = avformat_new_stream(d->format, nullptr);
    d->audio = avcodec_alloc_context3(aac);
    d->video = avcodec_alloc_context3(h264);
    d->packet = av_packet_alloc();
    if (!d->audioStream || !d->videoStream || !d->audio || !d->video || !d->packet)
        return failWith(QStringLiteral("Out of memory."));

    AVCodecContext *v = d->video;
    v->width = d->settings.width;
    v->height = d->settings.height;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = kVideoTimeBase;
    v->framerate = AVRational{settings.fps, 1};
    v->gop_size = settings.fps * 2;
    v->color_primaries = AVCOL_PRI_BT709;
    v->color_trc = AVCOL_TRC_BT709;
    v->colorspace = AVCOL_SPC_BT709;
    v->color_range = AVCOL_RANGE_MPEG;
    if (d->format->oformat->flags & AVFMT_GLOBALHEADER)
        v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *videoOptions = nullptr;
    av_dict_set(&videoOptions, "preset", settings.preset.toUtf8().constData(), 0);
    // No look-ahead and no reordering: a picture leaves the encoder as it comes in,
    // which keeps a 4K recording's memory to a few pictures.
    av_dict_set(&videoOptions, "tune", "zerolatency", 0);
    av_dict_set(&videoOptions, "crf", QByteArray::number(settings.crf).constData(), 0);
    // One encoder thread keeps up with a 1080p screen at less CPU than several; a
    // larger picture falls behind on one, and takes as many as x264 chooses.
    v->thread_count = int64_t(v->width) * v->height > kOneThreadPixels ? 0 : 1;
    int ret = avcodec_open2(v, h264, &videoOptions);
    av_dict_free(&videoOptions);
    if (ret < 0)
        return failWith(QStringLiteral("The video encoder cannot start: ") + avError(ret));

    AVCodecContext *a = d->audio;
    a->sample_fmt = AV_SAMPLE_FMT_FLTP;
    a->sample_rate = settings.sampleRate;
    av_channel_layout_default(&a->ch_layout, 1);
    a->bit_rate = settings.audioBitRate;
    a->time_base = AVRational{1, settings.sampleRate};
    if (d->format->oformat->flags & AVFMT_GLOBALHEADER)
        a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ret = avcodec_open2(a, aac, nullptr);
    if (ret < 0)
        return failWith(QStringLiteral("The audio encoder cannot start: ") + avError(ret));

    avcodec_parameters_from_context(d->videoStream->codecpar, v);
    avcodec_parameters_from_context(d->audioStream->codecpar, a);
    d->videoStream->time_base = v->time_base;
    d->audioStream->time_base = a->time_base;

    d->lastPicture = av_frame_alloc();
    d->audioFrame = av_frame_alloc();
    if (!d->lastPicture || !d->audioFrame)
        return failWith(QStringLiteral("Out of memory."));
    d->lastPicture->format = v->pix_fmt;
    d->lastPicture->width = v->width;
    d->lastPicture->height = v->height;
    d->lastPicture->color_primaries = AVCOL_PRI_BT709;
    d->lastPicture->color_trc = AVCOL_TRC_BT709;
    d->lastPicture->colorspace = AVCOL_SPC_BT709;
    d->lastPicture->color_range = AVCOL_RANGE_MPEG;
    d->audioFrame->format = a->sample_fmt;
    d->audioFrame->sample_rate = a->sample_rate;
    av_channel_layout_default(&d->audioFrame->ch_layout, 1);
    d->audioFrame->nb_samples = a->frame_size > 0 ? a->frame_size : 1024;
    if (av_frame_get_buffer(d->lastPicture, 0) < 0 || av_frame_get_buffer(d->audioFrame, 0) < 0)
        return failWith(QStringLiteral("Out of memory."));

    ret = avio_open(&d->format->pb, path.constData(), AVIO_FLAG_WRITE);
    if (ret < 0)
        return failWith(QStringLiteral("The movie file cannot be created: ") + avError(ret));
    AVDictionary *muxOptions = nullptr;
    av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    ret = avformat_write_header(d->format, &muxOptions);
    av_dict_free(&muxOptions);
    if (ret < 0)
        return failWith(QStringLiteral("Can't start AVAssetWriter.") + QLatin1Char(' ') + avError(ret));

    {
        std::lock_guard lock(d->mutex);
        d->status = Status::Writing;
    }
    d->worker = std::thread([this] { d->run(); });
    return true;
}

bool FfmpegMovieEncoder::appendVideo(FrameBufferPtr picture, int64_t ptsUs) {
    std::lock_guard lock(d->mutex);
    if (d->status != Status::Writing || d->finishing || d->diskFull || !picture || ptsUs <= d->lastQueuedUs ||
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
    if (ptsUs > d->lastQueuedUs && !d->diskFull)
        d->heldUs = std::max(d->heldUs, ptsUs);
}

void FfmpegMovieEncoder::appendAudio(const int16_t *samples, size_t count) {
    std::lock_guard lock(d->mutex);
    if (d->status != Status::Writing || d->finishing || d->diskFull)
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
    int ret = 0;
    if (!d->ioFailed) {
        ret = av_write_trailer(d->format);
        if (ret < 0)
            d->fail(QStringLiteral("Finishing the movie failed: ") + avError(ret));
    }
    if (d->format && d->format->pb) {
        avio_flush(d->format->pb);
        if (d->format->pb->error < 0 && !d->ioFailed)
            d->fail(QStringLiteral("Writing the movie failed: ") + avError(d->format->pb->error));
        avio_closep(&d->format->pb);
    }
    std::lock_guard lock(d->mutex);
    d->status = d->ioFailed ? Status::Failed : Status::Completed;
    return d->status == Status::Completed;
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

} // namespace
} // namespace qn

// The one symbol the module shows: everything else stays hidden, so nothing here can
// stand in for a symbol of the program or of another library.
extern "C" __attribute__((visibility("default"))) qn::MovieEncoder *qn_create_movie_encoder(int interfaceVersion) {
    if (interfaceVersion != qn::kMovieEncoderInterface)
        return nullptr;
    return new (std::nothrow) qn::FfmpegMovieEncoder;
}
