#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

namespace qn {

// Every FFmpeg object the movie module makes is owned by one of these, so that an
// early return on any failure frees what was made so far and nothing twice.
struct FfmpegFree {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
    void operator()(AVFrame *f) const { av_frame_free(&f); }
    void operator()(AVPacket *p) const { av_packet_free(&p); }
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, FfmpegFree>;
using FramePtr = std::unique_ptr<AVFrame, FfmpegFree>;
using PacketPtr = std::unique_ptr<AVPacket, FfmpegFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, FfmpegFree>;

// An output whose bytes go through an AVIOContext of the caller's (pb is not closed
// here: whoever made it owns it).
struct OutputFormatFree {
    void operator()(AVFormatContext *f) const { avformat_free_context(f); }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFree>;

// An output that opened its own file with avio_open: closing the context closes it.
struct OwnFileOutputFree {
    void operator()(AVFormatContext *f) const {
        if (f->pb)
            avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
using OwnFileOutputPtr = std::unique_ptr<AVFormatContext, OwnFileOutputFree>;

struct InputFormatFree {
    void operator()(AVFormatContext *f) const { avformat_close_input(&f); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatFree>;

// A custom AVIOContext and the buffer FFmpeg may have replaced since it was made.
struct IoContextFree {
    void operator()(AVIOContext *io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;

inline QString avErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace qn
