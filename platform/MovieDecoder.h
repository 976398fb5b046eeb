#pragma once
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

namespace qn {

// Reads the pictures of a movie file, one after the other. It lives in the same
// module as the movie encoder (MovieEncoder.h), so that the program plays a movie
// with the FFmpeg it already records with and maps none of it until then.
// Not thread-safe: one thread at a time.
class MovieDecoder {
public:
    enum class Result { Picture, End, Failed };

    virtual ~MovieDecoder() = default;
    // Opens the file's first video stream. False with `error` set when the file
    // cannot be read or holds no video FFmpeg decodes.
    virtual bool open(const QString &path, QString *error) = 0;
    // The pictures' size as stored, and the length of the movie (0 when unknown).
    virtual QSize size() const = 0;
    virtual int64_t durationUs() const = 0;
    // The next picture in showing order, scaled to `size` and written to `pixels`
    // (32-bit 0xffRRGGBB words, `stride` bytes a row, as QImage::Format_RGB32 holds
    // them), with its time from the start of the movie in microseconds. Null pixels
    // skip the picture. Nothing is written unless the result is Picture.
    virtual Result next(QSize size, uint8_t *pixels, int stride, int64_t *ptsUs) = 0;
    // Back to the first picture.
    virtual bool rewind() = 0;
    virtual QString errorText() const = 0;
};

// Its entry point in the module: a new decoder, or null when the caller was built
// against another layout of this interface (a module left over from an older build).
inline constexpr char kMovieDecoderFactory[] = "qn_create_movie_decoder";
inline constexpr int kMovieDecoderInterface = 1;
using MovieDecoderFactory = MovieDecoder *(*)(int interfaceVersion);

// Loads the module and makes a decoder. Null, with `error` set, when the module is
// missing, broken or of another build. The decoder holds the module: once the last
// decoder is gone (and no recording has loaded it), FFmpeg is unmapped again, so a
// movie shown once costs nothing after.
std::shared_ptr<MovieDecoder> createMovieDecoder(QString *error);

} // namespace qn
