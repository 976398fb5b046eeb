#include "platform/MovieWriter.h"
#include "FakeSources.h"
#include "MovieProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

extern "C" {
#include <libavutil/pixfmt.h>
}

using namespace qn;

namespace {
std::vector<int16_t> sine(size_t count, size_t from = 0, double amplitude = 0.5) {
    std::vector<int16_t> s(count);
    for (size_t i = 0; i < count; ++i)
        s[i] = int16_t(amplitude * 32767 * std::sin(2 * M_PI * 440 * double(from + i) / 44100.0));
    return s;
}
// A movie of the given picture size at `path`; the other settings keep their defaults.
MovieWriter::Settings movieAt(const QString &path, int width = 64, int height = 48) {
    MovieWriter::Settings settings;
    settings.path = path;
    settings.width = width;
    settings.height = height;
    return settings;
}
} // namespace

TEST(MovieWriter, WritesAPlayableQuickTimeMovie) {
    QTemporaryDir dir;
    MovieWriter writer;
    // Odd sizes are cut to even ones.
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("a.mov")), 321, 240);
    QString error;
    ASSERT_TRUE(writer.start(settings, &error)) << error.toStdString();
    EXPECT_EQ(writer.status(), MovieWriter::Status::Writing);

    // One second: frames alternate dark and bright, with a sine under them.
    for (int i = 0; i < 30; ++i) {
        auto frame = std::make_shared<SolidFrame>(321, 240, i % 2 ? QColor(230, 230, 230) : QColor(20, 20, 20));
        while (!writer.appendVideo(frame, int64_t(i) * 33'333))
            std::this_thread::yield();
        const auto s = sine(1470, size_t(i) * 1470);
        writer.appendAudio(s.data(), s.size());
    }
    // Out of order and repeated times are turned away, not errors.
    auto late = std::make_shared<SolidFrame>(321, 240, Qt::red);
    EXPECT_FALSE(writer.appendVideo(late, 29 * 33'333));
    EXPECT_FALSE(writer.appendVideo(late, 10));
    ASSERT_TRUE(writer.finish(1'000'000));
    EXPECT_TRUE(writer.finish(1'000'000)); // twice is harmless
    EXPECT_EQ(writer.status(), MovieWriter::Status::Completed);

    // An ordinary movie under the name asked for, with nothing of the recording left.
    EXPECT_EQ(writer.path(), settings.path);
    EXPECT_FALSE(writer.keptFragmented());
    EXPECT_TRUE(MovieProbe::indexFirst(settings.path));
    EXPECT_EQ(MovieProbe::decodeErrors(settings.path), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.mov")});
    const MovieProbe p = MovieProbe::read(settings.path);
    ASSERT_TRUE(p.opened);
    EXPECT_TRUE(p.format.contains(QStringLiteral("mov")));
    EXPECT_NEAR(p.formatDuration, 1.0, 0.034);
    EXPECT_EQ(p.audioIndex, 0); // sound first, then the picture
    EXPECT_EQ(p.videoIndex, 1);
    EXPECT_EQ(p.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(p.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.height, 240);
    EXPECT_EQ(p.colorPrimaries, AVCOL_PRI_BT709);
    EXPECT_EQ(p.colorTrc, AVCOL_TRC_BT709);
    EXPECT_EQ(p.colorSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(p.sampleRate, 44100);
    EXPECT_EQ(p.channels, 1);
    EXPECT_NEAR(p.videoDuration, 1.0, 0.034);
    EXPECT_NEAR(p.audioDuration, 1.0, 0.03);
    ASSERT_EQ(p.videoPts.size(), 30u);
    for (size_t i = 1; i < p.videoPts.size(); ++i)
        EXPECT_GT(p.videoPts[i], p.videoPts[i - 1]);
    ASSERT_EQ(p.lumaMeans.size(), 30u);
    EXPECT_LT(p.lumaMeans[0], 40);
    EXPECT_GT(p.lumaMeans[1], 200);
    EXPECT_NEAR(p.rms(0.2, 0.8), 0.5 / std::sqrt(2.0), 0.05);
}

// A held picture is encoded again every quarter second or so (so that the file keeps
// up with a still screen) and at the end, where it lasts until then; the sound is
// padded with silence to the same end.
TEST(MovieWriter, HeldPictureAndShortSoundReachTheEnd) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("b.mov")));
    ASSERT_TRUE(writer.start(settings, nullptr));
    writer.appendVideo(std::make_shared<SolidFrame>(64, 48, Qt::white), 0);
    for (int i = 1; i < 60; ++i)
        writer.holdVideo(int64_t(i) * 33'333);
    const auto s = sine(44100 / 2);
    writer.appendAudio(s.data(), s.size());
    ASSERT_TRUE(writer.finish(2'000'000));
    const MovieProbe p = MovieProbe::read(settings.path);
    ASSERT_GE(p.videoPts.size(), 4u);
    // (The muxer lets the first picture also cover the sound encoder's priming,
    // 1024 samples, which moves later pictures by that.)
    for (size_t i = 1; i < p.videoPts.size(); ++i)
        EXPECT_LE(p.videoPts[i] - p.videoPts[i - 1], 0.5 + 1024 / 44100.0) << i;
    EXPECT_LE(p.videoPts.size(), 10u) << "a held picture is not encoded at every hold";
    EXPECT_NEAR(p.videoDuration, 2.0, 0.04);
    EXPECT_NEAR(p.audioDuration, 2.0, 0.03);
    EXPECT_GT(p.rms(0.1, 0.4), 0.2);
    EXPECT_LT(p.rms(0.6, 1.9), 0.01);
}

// The odd column and row an even movie leaves out are cut off, not squeezed in.
// Screen grabs come a little early or late; in the movie every picture sits on the
// frame grid, one per frame at most, so that tools counting in frames see no two
// pictures at one instant. A picture whose frame is taken moves to the next frame
// when that is less than a frame ahead of it, and is left out otherwise.
TEST(MovieWriter, PicturesSitOnTheFrameGrid) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("grid.mov")));
    settings.audio = false;
    ASSERT_TRUE(writer.start(settings, nullptr));
    // A grab 8 ms after a late one, one just before the next tick, one well off it.
    const int64_t times[] = {0, 33'000, 41'000, 100'100, 120'000, 140'000, 166'000, 210'000, 300'000};
    int n = 0;
    for (const int64_t us : times) {
        const QColor c = n++ % 2 ? Qt::white : Qt::black;
        while (!writer.appendVideo(std::make_shared<SolidFrame>(64, 48, c), us))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(writer.finish(333'333));
    const MovieProbe p = MovieProbe::read(settings.path);
    EXPECT_EQ(MovieProbe::decodeErrors(settings.path), QString());
    std::vector<long> frames;
    for (const double pts : p.videoPts) {
        frames.push_back(std::lround(pts * 30));
        EXPECT_NEAR(pts * 30, double(frames.back()), 1e-3) << pts;
    }
    // 0, 33 → 1, 41 → 1 taken → 2, 100.1 → 3, 120 → 4, 140 → 4 taken → 5, 166 → 5 taken and
    // 6 a whole frame ahead → left out, 210 → 6, 300 → 9.
    EXPECT_EQ(frames, (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 9}));
}

TEST(MovieWriter, OddPicturesAreCutNotScaled) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("odd.mov")), 65, 49);
    ASSERT_TRUE(writer.start(settings, nullptr));
    auto picture = std::make_shared<SolidFrame>(65, 49, Qt::black);
    for (int y = 0; y < 49; ++y)
        for (int x = 0; x < 65; ++x)
            if (x == 64 || y == 48)
                std::memset(picture->bytes.data() + size_t(y) * 65 * 4 + size_t(x) * 4, 255, 4);
    ASSERT_TRUE(writer.appendVideo(picture, 0));
    ASSERT_TRUE(writer.finish(100'000));
    const MovieProbe p = MovieProbe::read(settings.path);
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 48);
    ASSERT_FALSE(p.lumaMeans.empty());
    EXPECT_LT(p.lumaMeans.front(), 17.0) << "the edge bled into the picture";
}

TEST(MovieWriter, NothingWrittenStillGivesAPlayableMovie) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("c.mov")));
    ASSERT_TRUE(writer.start(settings, nullptr));
    ASSERT_TRUE(writer.finish(0));
    const MovieProbe p = MovieProbe::read(settings.path);
    EXPECT_EQ(p.videoPts.size(), 1u);
    EXPECT_EQ(p.lumaMeans.size(), 1u);
}

// A name that is taken, by a file or by a planted link, is left alone.
TEST(MovieWriter, NeverWritesThroughAnExistingName) {
    QTemporaryDir dir;
    const QString wanted = dir.filePath(QStringLiteral("Video.mov"));
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly));
    v.write("keep me");
    v.close();
    ASSERT_TRUE(QFile::link(victim, wanted));
    MovieWriter::Settings settings = movieAt(wanted);
    MovieWriter first, second;
    ASSERT_TRUE(first.start(settings, nullptr));
    ASSERT_TRUE(second.start(settings, nullptr));
    EXPECT_EQ(first.path(), dir.filePath(QStringLiteral("Video 2.mov")));
    EXPECT_EQ(second.path(), dir.filePath(QStringLiteral("Video 3.mov")));
    ASSERT_TRUE(first.finish(0));
    ASSERT_TRUE(second.finish(0));
    ASSERT_TRUE(v.open(QIODevice::ReadOnly));
    EXPECT_EQ(v.readAll(), QByteArray("keep me"));
    EXPECT_EQ(QFileInfo(first.path()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
}

TEST(MovieWriter, FailuresToStartAreReported) {
    MovieWriter tiny;
    MovieWriter::Settings settings = movieAt(QStringLiteral("/proc/no/such/folder/x.mov"));
    QString error;
    EXPECT_FALSE(tiny.start(settings, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(tiny.status(), MovieWriter::Status::Failed);
    EXPECT_FALSE(tiny.finish(0));

    MovieWriter small;
    settings.width = 1;
    EXPECT_FALSE(small.start(settings, &error));
}

// Without its encoder module the writer says which file it could not load and
// why, makes no file, and a later start finds the module again.
TEST(MovieWriter, AMissingEncoderModuleFailsTheStartWithItsName) {
    QTemporaryDir dir;
    const QString module = dir.filePath(QStringLiteral("gone/quillnest_movie.so"));
    const MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("m.mov")));
    qputenv("QUILLNEST_MOVIE_MODULE", QFile::encodeName(module));
    MovieWriter writer;
    QString error;
    const bool started = writer.start(settings, &error);
    qunsetenv("QUILLNEST_MOVIE_MODULE");
    EXPECT_FALSE(started);
    EXPECT_TRUE(error.contains(module)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("No such file"))) << error.toStdString();
    EXPECT_EQ(writer.errorText(), error);
    EXPECT_EQ(writer.status(), MovieWriter::Status::Failed);
    EXPECT_FALSE(writer.appendVideo(std::make_shared<FrameBuffer>(), 1));
    EXPECT_FALSE(writer.finish(0));
    EXPECT_FALSE(QFileInfo::exists(settings.path));

    MovieWriter again;
    ASSERT_TRUE(again.start(settings, &error)) << error.toStdString();
    EXPECT_TRUE(again.finish(0));
    EXPECT_EQ(MovieProbe::read(settings.path).videoPts.size(), 1u);
}

// With the microphone off the movie has no sound track at all, and sound handed in
// anyway is not taken.
TEST(MovieWriter, WithoutSoundThereIsNoSoundTrack) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("quiet.mov")));
    settings.audio = false;
    ASSERT_TRUE(writer.start(settings, nullptr));
    const auto s = sine(44100);
    writer.appendAudio(s.data(), s.size());
    EXPECT_EQ(writer.audioSamples(), 0);
    for (int i = 0; i < 30; ++i)
        while (!writer.appendVideo(std::make_shared<SolidFrame>(64, 48, Qt::green), int64_t(i) * 33'333))
            std::this_thread::yield();
    ASSERT_TRUE(writer.finish(1'000'000));
    EXPECT_TRUE(MovieProbe::indexFirst(writer.path()));
    EXPECT_EQ(MovieProbe::decodeErrors(writer.path()), QString());
    const MovieProbe p = MovieProbe::read(writer.path());
    EXPECT_EQ(p.audioIndex, -1);
    EXPECT_EQ(p.videoIndex, 0);
    EXPECT_NEAR(p.videoDuration, 1.0, 0.034);
    EXPECT_NEAR(p.formatDuration, 1.0, 0.034);
}

// Below the free-space reserve the writer stops taking pictures, and the copy into
// an ordinary movie, which would eat into the reserve, is not made: the recording
// itself is the movie, playable, under the movie's name.
TEST(MovieWriter, BelowTheReserveTheRecordingIsKeptAsTheMovie) {
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("low.mov")));
    std::atomic<int64_t> free{int64_t(1) << 40};
    settings.freeSpace = [&](const QString &) { return free.load(); };
    ASSERT_TRUE(writer.start(settings, nullptr));
    int i = 0;
    for (; i < 45; ++i)
        while (!writer.appendVideo(std::make_shared<SolidFrame>(64, 48, QColor(i * 5, 0, 0)), int64_t(i) * 33'333))
            std::this_thread::yield();
    free = settings.minFreeBytes - 1;
    while (!writer.diskFull()) {
        if (writer.appendVideo(std::make_shared<SolidFrame>(64, 48, Qt::white), int64_t(i) * 33'333))
            ++i;
        std::this_thread::yield();
    }
    EXPECT_FALSE(writer.appendVideo(std::make_shared<SolidFrame>(64, 48, Qt::white), int64_t(i + 1) * 33'333));
    ASSERT_TRUE(writer.finish(int64_t(i) * 33'333));
    EXPECT_TRUE(writer.keptFragmented());
    EXPECT_EQ(writer.path(), settings.path);
    EXPECT_EQ(writer.errorText(), QStringLiteral("The disk is full."));
    EXPECT_EQ(MovieProbe::decodeErrors(writer.path()), QString());
    const MovieProbe p = MovieProbe::read(writer.path());
    EXPECT_NEAR(p.videoDuration, double(i) / 30.0, 0.05);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("low.mov")});
}

// The screen stream lends only a few pictures, and at 4K encoding one takes most of
// a tick: the writer gives each picture back once it has converted it, before the
// encoder starts on it, so the stream has one to read the next tick into.
TEST(MovieWriter, GivesAPictureBackBeforeEncodingIt) {
    struct Lent final : FrameBuffer {
        std::vector<uint8_t> bytes;
        std::function<void()> onReturn;
        explicit Lent(uint8_t shade) : bytes(64 * 48 * 4, shade) {
            width = 64;
            height = 48;
            stride = 64 * 4;
            data = bytes.data();
        }
        ~Lent() override { onReturn(); }
    };
    QTemporaryDir dir;
    MovieWriter writer;
    MovieWriter::Settings settings = movieAt(dir.filePath(QStringLiteral("lent.mov")));
    settings.maxQueuedFrames = 8; // every picture below is taken at once
    QString error;
    ASSERT_TRUE(writer.start(settings, &error)) << error.toStdString();
    constexpr int kPictures = 5;
    std::array<std::atomic<int64_t>, kPictures> encodedWhenReturned{};
    for (auto &value : encodedWhenReturned)
        value = -1;
    for (int i = 0; i < kPictures; ++i) {
        auto picture = std::make_shared<Lent>(uint8_t(40 * i));
        picture->onReturn = [&writer, &encodedWhenReturned, i] {
            encodedWhenReturned[size_t(i)] = writer.encodedFrames();
        };
        ASSERT_TRUE(writer.appendVideo(std::move(picture), int64_t(i) * 33'333));
    }
    ASSERT_TRUE(writer.finish(kPictures * 33'333));
    for (int i = 0; i < kPictures; ++i)
        EXPECT_EQ(encodedWhenReturned[size_t(i)], i) << "picture " << i;
    EXPECT_EQ(writer.encodedFrames(), kPictures);
}
