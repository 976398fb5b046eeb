#include "FakeSources.h"
#include "platform/MovieDecoder.h"
#include "platform/MoviePlayer.h"
#include "platform/MovieWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {
// Three frames of the 30 fps movie: the encoder puts pictures on its frame grid.
constexpr int64_t kStepUs = 100'000;
const QColor kColours[] = {Qt::red, Qt::green, Qt::blue, Qt::white, Qt::black, Qt::yellow};
constexpr int kPictures = int(std::size(kColours));

// A short movie made by the program's own encoder: one solid colour per picture,
// 80 ms apart, so what comes back can be told apart picture by picture.
QString makeMovie(const QTemporaryDir &dir) {
    MovieWriter writer;
    MovieWriter::Settings settings;
    settings.path = dir.filePath(QStringLiteral("colours.mov"));
    settings.width = 64;
    settings.height = 48;
    QString error;
    if (!writer.start(settings, &error))
        return QString();
    for (int i = 0; i < kPictures; ++i) {
        auto frame = std::make_shared<SolidFrame>(64, 48, kColours[i]);
        while (!writer.appendVideo(frame, i * kStepUs))
            std::this_thread::yield();
    }
    return writer.finish(kPictures * kStepUs) ? writer.path() : QString();
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24;
}

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
} // namespace

TEST(MovieDecoder, ReadsEveryPictureAtItsTimeAndStartsOverOnRewind) {
    QTemporaryDir dir;
    const QString movie = makeMovie(dir);
    ASSERT_FALSE(movie.isEmpty());
    QString error;
    std::shared_ptr<MovieDecoder> decoder = createMovieDecoder(&error);
    ASSERT_TRUE(decoder) << error.toStdString();
    ASSERT_TRUE(decoder->open(movie, &error)) << error.toStdString();
    EXPECT_EQ(decoder->size(), QSize(64, 48));
    EXPECT_NEAR(double(decoder->durationUs()), double(kPictures * kStepUs), 40'000);

    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < kPictures; ++i) {
            // The second round asks for a smaller picture: scaled in the decoder.
            QImage picture(round == 0 ? QSize(64, 48) : QSize(32, 24), QImage::Format_RGB32);
            int64_t pts = -1;
            ASSERT_EQ(decoder->next(picture.size(), picture.bits(), int(picture.bytesPerLine()), &pts),
                      MovieDecoder::Result::Picture)
                << round << " " << i;
            EXPECT_NEAR(double(pts), double(i * kStepUs), 1000) << i;
            const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
            EXPECT_TRUE(near(centre, kColours[i])) << i << " " << centre.name().toStdString();
        }
        // The writer holds the last picture until the movie's end: one more of it.
        int64_t held = 0;
        EXPECT_EQ(decoder->next({}, nullptr, 0, &held), MovieDecoder::Result::Picture);
        EXPECT_GT(held, (kPictures - 1) * kStepUs);
        EXPECT_EQ(decoder->next({}, nullptr, 0, nullptr), MovieDecoder::Result::End);
        EXPECT_EQ(decoder->next({}, nullptr, 0, nullptr), MovieDecoder::Result::End); // and stays there
        ASSERT_TRUE(decoder->rewind()) << decoder->errorText().toStdString();
    }
}

TEST(MovieDecoder, WhatIsNotAMovieIsRefusedWithAReason) {
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QByteArray bytes; // null: no file at all
    } cases[] = {{"missing.mp4", QByteArray()},
                 {"empty.mp4", QByteArray("")},
                 {"noise.mp4", QByteArray(4096, '\x5a')},
                 {"cut.mp4", QByteArray("\0\0\0\x18"
                                        "ftypisom\0\0\x02\0isomiso2",
                                        24)}};
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (!c.bytes.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        QString error;
        std::shared_ptr<MovieDecoder> decoder = createMovieDecoder(&error);
        ASSERT_TRUE(decoder) << error.toStdString();
        EXPECT_FALSE(decoder->open(path, &error)) << c.name;
        EXPECT_TRUE(error.contains(path)) << c.name << ": " << error.toStdString();
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::magenta);
        EXPECT_EQ(decoder->next(picture.size(), picture.bits(), int(picture.bytesPerLine()), nullptr),
                  MovieDecoder::Result::Failed)
            << c.name;
        EXPECT_EQ(picture.pixelColor(8, 8), QColor(Qt::magenta)); // nothing written
    }
}

TEST(MovieDecoder, AMissingModuleIsAnErrorNotACrash) {
    const QByteArray before = qgetenv("QUILLNEST_MOVIE_MODULE");
    qputenv("QUILLNEST_MOVIE_MODULE", "/nonexistent/quillnest_movie.so");
    QString error;
    EXPECT_FALSE(createMovieDecoder(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be loaded"))) << error.toStdString();

    MoviePlayer player;
    QSignalSpy failed(&player, &MoviePlayer::errorOccurred);
    player.setSource(QStringLiteral("/nonexistent/movie.mp4"));
    player.play();
    ASSERT_TRUE(failed.wait());
    EXPECT_FALSE(player.isPlaying());
    if (before.isNull())
        qunsetenv("QUILLNEST_MOVIE_MODULE");
    else
        qputenv("QUILLNEST_MOVIE_MODULE", before);
}

TEST(MoviePlayer, PlaysThePicturesInOrderStopsAtTheEndAndGoesRoundWhenTold) {
    QTemporaryDir dir;
    const QString movie = makeMovie(dir);
    ASSERT_FALSE(movie.isEmpty());
    MoviePlayer player;
    QSignalSpy pictures(&player, &MoviePlayer::pictureReady);
    QSignalSpy ended(&player, &MoviePlayer::endOfMedia);
    player.setSource(movie);
    player.play();
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_FALSE(player.isPlaying());
    // The last picture comes twice: the writer holds it until the movie's end.
    ASSERT_EQ(pictures.count(), kPictures + 1);
    for (int i = 0; i < kPictures; ++i) {
        const QImage picture = pictures.at(i).at(0).value<QImage>();
        EXPECT_EQ(picture.size(), QSize(64, 48));
        EXPECT_TRUE(near(picture.pixelColor(32, 24), kColours[i])) << i;
        EXPECT_NEAR(double(pictures.at(i).at(1).toLongLong()), double(i * kStepUs), 1000) << i;
    }

    // At the end it waits for its caller: once rewound it plays from the start again,
    // at the size asked for now.
    pictures.clear();
    player.setOutputSize(QSize(16, 12));
    player.rewind();
    player.play();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.count(), 2);
    ASSERT_EQ(pictures.count(), kPictures + 1);
    EXPECT_EQ(pictures.at(0).at(1).toLongLong(), 0);
    EXPECT_EQ(pictures.at(0).at(0).value<QImage>().size(), QSize(16, 12));
}

TEST(MoviePlayer, StoppedOrGoneItLeavesNoThreadAndTellsNothingMore) {
    QTemporaryDir dir;
    const QString movie = makeMovie(dir);
    ASSERT_FALSE(movie.isEmpty());
    const int idleThreads = threadCount();
    for (bool destroy : {false, true}) {
        auto player = std::make_unique<MoviePlayer>();
        QSignalSpy pictures(player.get(), &MoviePlayer::pictureReady);
        QSignalSpy ended(player.get(), &MoviePlayer::endOfMedia);
        player->setSource(movie);
        player->play();
        ASSERT_TRUE(pictures.wait(5000));
        EXPECT_EQ(threadCount(), idleThreads + 1);
        if (destroy) {
            player.reset();
            EXPECT_EQ(threadCount(), idleThreads);
            QCoreApplication::processEvents(); // what was posted to it must not arrive anywhere
            continue;
        }
        player->stop();
        EXPECT_EQ(threadCount(), idleThreads);
        EXPECT_FALSE(player->isPlaying());
        const qsizetype shown = pictures.count();
        // Whatever the thread had posted before it was stopped is dropped, not shown.
        QCoreApplication::processEvents();
        EXPECT_EQ(pictures.count(), shown);
        EXPECT_EQ(ended.count(), 0);
        // Played again, it starts over from the beginning.
        player->play();
        ASSERT_TRUE(pictures.wait(5000));
        EXPECT_EQ(pictures.at(shown).at(1).toLongLong(), 0);
    }
}
