#pragma once
#include "platform/MovieWriter.h"

namespace qn {

// The movie encoder behind MovieWriter. FFmpeg and the codec libraries it pulls in
// weigh megabytes of resident memory, so the encoder lives in a module of its own
// that MovieWriter loads when the first recording starts; a tray program that never
// records never maps them. Each call means what MovieWriter's of the same name does.
class MovieEncoder {
public:
    virtual ~MovieEncoder() = default;
    virtual bool start(const MovieWriter::Settings &settings, QString *error) = 0;
    virtual QString path() const = 0;
    virtual bool appendVideo(FrameBufferPtr picture, int64_t ptsUs) = 0;
    virtual void holdVideo(int64_t ptsUs) = 0;
    virtual void appendAudio(const int16_t *samples, size_t count) = 0;
    virtual int64_t audioSamples() const = 0;
    virtual bool finish(int64_t endUs) = 0;
    virtual MovieWriter::Status status() const = 0;
    virtual QString errorText() const = 0;
    virtual int64_t droppedFrames() const = 0;
    virtual bool diskFull() const = 0;
    virtual int64_t encodedFrames() const = 0;
    virtual bool keptFragmented() const = 0;
    // The work of MovieWriter::recoverLeftovers once it found something to do.
    virtual std::vector<MovieWriter::RecoveredMovie> recoverLeftovers(const QString &folder) = 0;
};

// A movie being recorded is "<name>.recording.mov" beside the "<name>.mov" it will
// become; only files with this ending are ever taken for a recording's leftovers.
inline constexpr char kRecordingSuffix[] = ".recording.mov";

// The module's file name, looked for beside the program.
inline constexpr char kMovieEncoderModule[] = "quillnest_movie.so";
// Its one exported symbol: a new encoder, or null when the caller was built against
// another layout of this interface (a module left over from an older build).
inline constexpr char kMovieEncoderFactory[] = "qn_create_movie_encoder";
inline constexpr int kMovieEncoderInterface = 2;
using MovieEncoderFactory = MovieEncoder *(*)(int interfaceVersion);

} // namespace qn
