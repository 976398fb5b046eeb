// A process that records a movie until it is killed, for the tests of what a kill
// leaves behind. It paces itself like a screen at 30 pictures a second and says on
// standard output how much of the movie it has handed to the encoder:
//   recording <movie path>
//   encoded <microseconds>
// Usage: movie_writer_child <movie path> [audio 0|1]
//        movie_writer_child --recover <folder>   (finishes leftovers, for a look by hand)
#include "FakeSources.h"
#include "platform/MovieWriter.h"

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    if (argc == 3 && std::strcmp(argv[1], "--recover") == 0) {
        for (const auto &movie : qn::MovieWriter::recoverLeftovers(QString::fromLocal8Bit(argv[2])))
            std::printf("%s %s %s\n", movie.ok ? "ok" : "failed", qPrintable(movie.path), qPrintable(movie.error));
        return 0;
    }
    qn::MovieWriter::Settings settings;
    settings.path = QString::fromLocal8Bit(argv[1]);
    settings.width = 160;
    settings.height = 120;
    settings.audio = argc < 3 || argv[2][0] != '0';
    qn::MovieWriter writer;
    QString error;
    if (!writer.start(settings, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("recording %s\n", qPrintable(writer.path()));
    std::fflush(stdout);
    constexpr int64_t kFrameUs = 33'333;
    const auto begin = std::chrono::steady_clock::now();
    std::vector<int16_t> sound(1470);
    int64_t lastTold = -1;
    // A minute at most: a test that forgot its child does not leave it running.
    for (int i = 0; i < 30 * 60; ++i) {
        std::this_thread::sleep_until(begin + std::chrono::microseconds(int64_t(i) * kFrameUs));
        const int shade = (i * 8) % 256;
        writer.appendVideo(std::make_shared<SolidFrame>(160, 120, QColor(shade, 255 - shade, 128)), i * kFrameUs);
        for (size_t s = 0; s < sound.size(); ++s)
            sound[s] = int16_t(8000 * std::sin(2 * M_PI * 440 * double(size_t(i) * sound.size() + s) / 44100.0));
        writer.appendAudio(sound.data(), sound.size());
        const int64_t encoded = writer.encodedFrames() * kFrameUs;
        if (encoded != lastTold) {
            std::printf("encoded %lld\n", static_cast<long long>(encoded));
            std::fflush(stdout);
            lastTold = encoded;
        }
    }
    writer.finish(30 * 60 * kFrameUs);
    return 0;
}
