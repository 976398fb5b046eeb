#include "MovieProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>

MovieProbe MovieProbe::read(const QString &path, bool decode) {
    MovieProbe p;
    AVFormatContext *fmt = nullptr;
    if (avformat_open_input(&fmt, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return p;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return p;
    }
    p.opened = true;
    p.format = QString::fromUtf8(fmt->iformat->name);
    if (fmt->duration > 0)
        p.formatDuration = double(fmt->duration) / AV_TIME_BASE;
    AVCodecContext *dec[2] = {nullptr, nullptr};
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        AVCodecParameters *par = fmt->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            p.videoIndex = int(i);
            p.videoCodec = QString::fromUtf8(avcodec_get_name(par->codec_id));
            p.width = par->width;
            p.height = par->height;
            p.colorPrimaries = par->color_primaries;
            p.colorTrc = par->color_trc;
            p.colorSpace = par->color_space;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            p.audioIndex = int(i);
            p.audioCodec = QString::fromUtf8(avcodec_get_name(par->codec_id));
            p.sampleRate = par->sample_rate;
            p.channels = par->ch_layout.nb_channels;
        }
        if (decode && (par->codec_type == AVMEDIA_TYPE_VIDEO || par->codec_type == AVMEDIA_TYPE_AUDIO)) {
            const AVCodec *codec = avcodec_find_decoder(par->codec_id);
            AVCodecContext *c = avcodec_alloc_context3(codec);
            avcodec_parameters_to_context(c, par);
            c->pkt_timebase = fmt->streams[i]->time_base;
            avcodec_open2(c, codec, nullptr);
            dec[par->codec_type == AVMEDIA_TYPE_VIDEO ? 0 : 1] = c;
        }
    }
    AVPacket *pkt = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    double videoEnd = 0, audioEnd = 0;
    auto drain = [&](AVCodecContext *c, bool video) {
        while (avcodec_receive_frame(c, frame) == 0) {
            if (video) {
                double sum = 0;
                for (int y = 0; y < frame->height; ++y)
                    for (int x = 0; x < frame->width; ++x)
                        sum += frame->data[0][y * frame->linesize[0] + x];
                p.lumaMeans.push_back(sum / (double(frame->width) * frame->height));
            } else {
                const float *s = reinterpret_cast<const float *>(frame->data[0]);
                p.audio.insert(p.audio.end(), s, s + frame->nb_samples);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        const AVStream *st = fmt->streams[pkt->stream_index];
        const double tb = av_q2d(st->time_base);
        const double end = double(pkt->pts + pkt->duration) * tb;
        if (pkt->stream_index == p.videoIndex) {
            p.videoPts.push_back(double(pkt->pts) * tb);
            videoEnd = std::max(videoEnd, end);
            if (dec[0] && avcodec_send_packet(dec[0], pkt) >= 0)
                drain(dec[0], true);
        } else if (pkt->stream_index == p.audioIndex) {
            audioEnd = std::max(audioEnd, end);
            if (dec[1] && avcodec_send_packet(dec[1], pkt) >= 0)
                drain(dec[1], false);
        }
        av_packet_unref(pkt);
    }
    for (int k = 0; k < 2; ++k)
        if (dec[k]) {
            avcodec_send_packet(dec[k], nullptr);
            drain(dec[k], k == 0);
            avcodec_free_context(&dec[k]);
        }
    // Packet times count from the stream's start; the edit list hides the
    // encoder's priming, so durations are measured from the first packet on.
    p.videoDuration = videoEnd - (p.videoPts.empty() ? 0 : p.videoPts.front());
    if (p.audioIndex >= 0) {
        const AVStream *st = fmt->streams[p.audioIndex];
        p.audioDuration = st->duration > 0 ? double(st->duration) * av_q2d(st->time_base) : audioEnd;
    }
    if (p.videoIndex >= 0) {
        const AVStream *st = fmt->streams[p.videoIndex];
        if (st->duration > 0)
            p.videoDuration = double(st->duration) * av_q2d(st->time_base);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return p;
}

double MovieProbe::rms(double from, double to) const {
    const size_t a = size_t(std::max(0.0, from) * sampleRate);
    const size_t b = std::min(audio.size(), size_t(std::max(0.0, to) * sampleRate));
    if (b <= a)
        return 0;
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += double(audio[i]) * audio[i];
    return std::sqrt(sum / double(b - a));
}

std::vector<QString> MovieProbe::topLevelAtoms(const QString &path) {
    std::vector<QString> atoms;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return atoms;
    qint64 at = 0;
    while (at + 8 <= file.size()) {
        file.seek(at);
        const QByteArray head = file.read(16);
        auto word = [&](int from) {
            return quint32(quint8(head[from])) << 24 | quint32(quint8(head[from + 1])) << 16 |
                   quint32(quint8(head[from + 2])) << 8 | quint32(quint8(head[from + 3]));
        };
        quint64 size = word(0);
        if (size == 1 && head.size() >= 16)
            size = quint64(word(8)) << 32 | word(12);
        atoms.push_back(QString::fromLatin1(head.mid(4, 4)));
        if (size < 8)
            break;
        at += qint64(size);
    }
    return atoms;
}

QString MovieProbe::decodeErrors(const QString &path) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(120'000))
        return QStringLiteral("ffmpeg did not finish");
    const QString said = QString::fromLocal8Bit(ffmpeg.readAllStandardError()).trimmed();
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return QStringLiteral("ffmpeg failed: ") + said;
    return said;
}

bool MovieProbe::indexFirst(const QString &path) {
    const auto atoms = topLevelAtoms(path);
    const auto moov = std::find(atoms.begin(), atoms.end(), QStringLiteral("moov"));
    const auto mdat = std::find(atoms.begin(), atoms.end(), QStringLiteral("mdat"));
    return moov < mdat && mdat != atoms.end() &&
           std::find(atoms.begin(), atoms.end(), QStringLiteral("moof")) == atoms.end();
}
