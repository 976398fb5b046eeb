#include "platform/MovieDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QFile>

namespace qn {

namespace {
constexpr AVRational kMicros{1, 1'000'000};

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

class FfmpegMovieDecoder final : public MovieDecoder {
public:
    ~FfmpegMovieDecoder() override { close(); }

    bool open(const QString &path, QString *error) override {
        close();
        if (!openStream(path)) {
            if (error)
                *error = m_error;
            close();
            return false;
        }
        return true;
    }

    QSize size() const override { return m_codec ? QSize(m_codec->width, m_codec->height) : QSize(); }

    int64_t durationUs() const override {
        if (!m_format)
            return 0;
        const AVStream *stream = m_format->streams[m_stream];
        if (stream->duration > 0)
            return av_rescale_q(stream->duration, stream->time_base, kMicros);
        return m_format->duration > 0 ? av_rescale_q(m_format->duration, AV_TIME_BASE_Q, kMicros) : 0;
    }

    Result next(QSize size, uint8_t *pixels, int stride, int64_t *ptsUs) override {
        if (!m_codec)
            return fail(QStringLiteral("no movie is open"));
        for (;;) {
            int ret = avcodec_receive_frame(m_codec, m_frame);
            if (ret == 0) {
                const bool converted = convert(size, pixels, stride);
                if (ptsUs)
                    *ptsUs = frameTimeUs();
                av_frame_unref(m_frame);
                return converted ? Result::Picture : Result::Failed;
            }
            if (ret == AVERROR_EOF)
                return Result::End;
            if (ret != AVERROR(EAGAIN))
                return fail(QStringLiteral("the movie cannot be decoded: %1").arg(avError(ret)));
            ret = av_read_frame(m_format, m_packet);
            if (ret == AVERROR_EOF) {
                // What the decoder still holds comes out after an empty packet.
                ret = avcodec_send_packet(m_codec, nullptr);
                if (ret < 0 && ret != AVERROR_EOF)
                    return fail(QStringLiteral("the movie cannot be decoded: %1").arg(avError(ret)));
                continue;
            }
            if (ret < 0)
                return fail(QStringLiteral("the movie cannot be read: %1").arg(avError(ret)));
            if (m_packet->stream_index == m_stream)
                ret = avcodec_send_packet(m_codec, m_packet);
            av_packet_unref(m_packet);
            // A damaged packet costs a picture, not the movie.
            if (ret < 0 && ret != AVERROR_INVALIDDATA)
                return fail(QStringLiteral("the movie cannot be decoded: %1").arg(avError(ret)));
        }
    }

    bool rewind() override {
        if (!m_format)
            return false;
        const AVStream *stream = m_format->streams[m_stream];
        const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        const int ret = av_seek_frame(m_format, m_stream, start, AVSEEK_FLAG_BACKWARD);
        if (ret < 0) {
            return setError(QStringLiteral("the movie cannot go back to its start: %1").arg(avError(ret)));
        }
        avcodec_flush_buffers(m_codec);
        return true;
    }

    QString errorText() const override { return m_error; }

private:
    bool openStream(const QString &path) {
        int ret = avformat_open_input(&m_format, QFile::encodeName(path).constData(), nullptr, nullptr);
        if (ret < 0) {
            m_format = nullptr;
            return setError(QStringLiteral("%1 cannot be opened: %2").arg(path, avError(ret)));
        }
        ret = avformat_find_stream_info(m_format, nullptr);
        if (ret < 0)
            return setError(QStringLiteral("%1 cannot be read: %2").arg(path, avError(ret)));
        const AVCodec *decoder = nullptr;
        m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (m_stream < 0 || !decoder)
            return setError(QStringLiteral("%1 holds no video that can be decoded").arg(path));
        m_codec = avcodec_alloc_context3(decoder);
        if (!m_codec)
            return setError(QStringLiteral("out of memory"));
        ret = avcodec_parameters_to_context(m_codec, m_format->streams[m_stream]->codecpar);
        // One thread: a small movie decodes in a fraction of its time on one core,
        // and every further thread holds pictures of its own.
        m_codec->thread_count = 1;
        if (ret >= 0)
            ret = avcodec_open2(m_codec, decoder, nullptr);
        if (ret < 0)
            return setError(QStringLiteral("%1 cannot be decoded: %2").arg(path, avError(ret)));
        if (m_codec->width <= 0 || m_codec->height <= 0)
            return setError(QStringLiteral("%1 has pictures without a size").arg(path));
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (!m_packet || !m_frame)
            return setError(QStringLiteral("out of memory"));
        // Only the video is read: other streams' packets are dropped at the demuxer.
        for (unsigned i = 0; i < m_format->nb_streams; ++i)
            if (int(i) != m_stream)
                m_format->streams[i]->discard = AVDISCARD_ALL;
        m_error.clear();
        return true;
    }

    int64_t frameTimeUs() const {
        const AVStream *stream = m_format->streams[m_stream];
        int64_t pts = m_frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE)
            pts = m_frame->pts;
        if (pts == AV_NOPTS_VALUE)
            return -1;
        if (stream->start_time != AV_NOPTS_VALUE)
            pts -= stream->start_time;
        return av_rescale_q(pts, stream->time_base, kMicros);
    }

    bool convert(QSize out, uint8_t *pixels, int stride) {
        if (!pixels)
            return true;
        if (out.isEmpty() || stride < out.width() * 4)
            return setError(QStringLiteral("no room for the picture"));
        m_sws =
            sws_getCachedContext(m_sws, m_frame->width, m_frame->height, AVPixelFormat(m_frame->format), out.width(),
                                 out.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_sws)
            return setError(QStringLiteral("the movie's pictures cannot be converted"));
        // Movies say which matrix and range their YUV uses; without it the colours shift.
        const int space = m_frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        const int *coefficients = sws_getCoefficients(space);
        const int fullRange = m_frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        sws_setColorspaceDetails(m_sws, coefficients, fullRange, coefficients, 1, 0, 1 << 16, 1 << 16);
        uint8_t *planes[4] = {pixels, nullptr, nullptr, nullptr};
        int strides[4] = {stride, 0, 0, 0};
        sws_scale(m_sws, m_frame->data, m_frame->linesize, 0, m_frame->height, planes, strides);
        return true;
    }

    bool setError(const QString &text) {
        m_error = text;
        return false;
    }

    Result fail(const QString &text) {
        m_error = text;
        return Result::Failed;
    }

    void close() {
        sws_freeContext(m_sws);
        m_sws = nullptr;
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_codec);
        avformat_close_input(&m_format);
        m_stream = -1;
    }

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    AVPacket *m_packet = nullptr;
    AVFrame *m_frame = nullptr;
    SwsContext *m_sws = nullptr;
    int m_stream = -1;
    QString m_error;
};

} // namespace

} // namespace qn

extern "C" __attribute__((visibility("default"))) qn::MovieDecoder *qn_create_movie_decoder(int interfaceVersion) {
    if (interfaceVersion != qn::kMovieDecoderInterface)
        return nullptr;
    return new (std::nothrow) qn::FfmpegMovieDecoder();
}
