#include "FakeSources.h"
#include "MovieProbe.h"
#include "platform/MovieWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/mount.h>
#include <unistd.h>

using namespace qn;

namespace {

// What a writer leaves while it works or when it did not end: recordings and
// half-made copies.
QStringList unfinished(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral("*.recording.mov"), QStringLiteral(".*.part")},
                                  QDir::Files | QDir::Hidden);
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The test's child process records until it is killed; it tells how much of the
// movie it has handed to the encoder.
struct RecordingChild {
    QProcess process;
    QString movie;
    int64_t encodedUs = 0;

    void start(const QString &path) {
        process.start(QStringLiteral(QN_MOVIE_WRITER_CHILD), {path});
        ASSERT_TRUE(process.waitForStarted(10'000)) << process.errorString().toStdString();
    }
    // Reads what the child says until `until` is true of it.
    void readUntil(const std::function<bool()> &until) {
        while (!until()) {
            if (!process.canReadLine()) {
                ASSERT_TRUE(process.waitForReadyRead(60'000))
                    << "the child said nothing: " << process.readAllStandardError().toStdString();
                continue;
            }
            const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("recording ")))
                movie = line.mid(10);
            else if (line.startsWith(QStringLiteral("encoded ")))
                encodedUs = line.mid(8).toLongLong();
        }
    }
    void kill() {
        ::kill(pid_t(process.processId()), SIGKILL);
        ASSERT_TRUE(process.waitForFinished(10'000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    }
};

} // namespace

// A recording killed mid-way leaves a file that the next start turns into an
// ordinary movie, losing no more than its last second; one whose end was torn
// off loses the torn fragment only. While its writer lives, nothing touches it.
TEST(MovieRecovery, AKilledRecordingBecomesAMovieMissingAtMostItsLastSecond) {
    QTemporaryDir dir;
    RecordingChild child;
    child.start(dir.filePath(QStringLiteral("Killed.mov")));
    child.readUntil([&] { return child.encodedUs >= 3'500'000; });

    // Another process's writer is alive: its recording is not a leftover.
    EXPECT_TRUE(MovieWriter::recoverLeftovers(dir.path()).empty());
    const QString recording = dir.filePath(QStringLiteral("Killed.recording.mov"));
    EXPECT_TRUE(QFileInfo::exists(recording));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Killed.mov"))));

    child.kill();
    const double recorded = double(child.encodedUs) / 1e6;
    // The same leftover with its last fragment torn, as a full page cache or a
    // crash in the middle of a write leaves it.
    QByteArray torn = contents(recording);
    ASSERT_GT(torn.size(), 2000);
    torn.chop(700);
    writeFile(dir.filePath(QStringLiteral("Torn.recording.mov")), torn);

    const auto recovered = MovieWriter::recoverLeftovers(dir.path());
    ASSERT_EQ(recovered.size(), 2u);
    struct Expected {
        QString name;
        double atLeast;
    };
    const Expected expected[] = {{QStringLiteral("Killed.mov"), recorded - 0.7},
                                 {QStringLiteral("Torn.mov"), recorded - 1.4}};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        EXPECT_TRUE(recovered[i].ok) << recovered[i].error.toStdString();
        EXPECT_EQ(recovered[i].path, dir.filePath(expected[i].name));
        EXPECT_TRUE(recovered[i].error.isEmpty()) << recovered[i].error.toStdString();
        EXPECT_TRUE(MovieProbe::indexFirst(recovered[i].path));
        EXPECT_EQ(MovieProbe::decodeErrors(recovered[i].path), QString());
        const MovieProbe p = MovieProbe::read(recovered[i].path);
        EXPECT_GE(p.videoDuration, expected[i].atLeast);
        EXPECT_LE(p.videoDuration, recorded + 1.0);
        EXPECT_GE(p.audioDuration, expected[i].atLeast);
        EXPECT_NEAR(p.formatDuration, std::max(p.videoDuration, p.audioDuration), 0.05);
        EXPECT_EQ(p.width, 160);
    }
    EXPECT_TRUE(unfinished(dir.path()).isEmpty()) << unfinished(dir.path()).join(' ').toStdString();
    // Once is enough: a second start finds nothing left.
    EXPECT_TRUE(MovieWriter::recoverLeftovers(dir.path()).empty());
}

// Killed before its first second reached the disk, a recording holds nothing to
// keep: the next start says so and removes it.
TEST(MovieRecovery, ARecordingKilledInItsFirstSecondIsReportedAndRemoved) {
    QTemporaryDir dir;
    RecordingChild child;
    child.start(dir.filePath(QStringLiteral("Short.mov")));
    child.readUntil([&] { return !child.movie.isEmpty(); });
    child.kill();
    ASSERT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("Short.recording.mov"))));
    const auto recovered = MovieWriter::recoverLeftovers(dir.path());
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_FALSE(recovered[0].ok);
    EXPECT_FALSE(recovered[0].error.isEmpty());
    EXPECT_TRUE(unfinished(dir.path()).isEmpty());
}

// What is not a leftover stays as it is: a recording this process is writing, a
// finished movie, and a file that only has the ending of one.
TEST(MovieRecovery, LivingRecordingsAndOtherFilesAreNotTouched) {
    QTemporaryDir dir;
    MovieWriter::Settings settings;
    settings.path = dir.filePath(QStringLiteral("Live.mov"));
    settings.width = 64;
    settings.height = 48;
    MovieWriter writer;
    ASSERT_TRUE(writer.start(settings, nullptr));
    ASSERT_TRUE(writer.appendVideo(std::make_shared<SolidFrame>(64, 48, Qt::blue), 0));
    const QString done = dir.filePath(QStringLiteral("Done.mov"));
    const QString stranger = dir.filePath(QStringLiteral("Notes.recording.mov"));
    writeFile(done, "a finished movie");
    writeFile(stranger, "not a movie at all");

    EXPECT_TRUE(MovieWriter::recoverLeftovers(dir.path()).empty());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("Live.recording.mov"))));
    EXPECT_EQ(contents(done), QByteArray("a finished movie"));
    EXPECT_EQ(contents(stranger), QByteArray("not a movie at all"));

    ASSERT_TRUE(writer.finish(500'000));
    EXPECT_EQ(writer.path(), settings.path);
    EXPECT_EQ(MovieProbe::decodeErrors(writer.path()), QString());
    EXPECT_TRUE(MovieWriter::recoverLeftovers(dir.path()).empty());
    EXPECT_EQ(contents(stranger), QByteArray("not a movie at all"));
}

// The disk filled by another process mid-recording: the writer takes nothing more,
// and what reached the disk stays a movie, ordinary when room came back before the
// end, else kept as recorded under the movie's name.
class MovieWriterFullDisk : public testing::TestWithParam<bool> {};

TEST_P(MovieWriterFullDisk, KeepsWhatReachedTheDisk) {
    const bool roomBeforeFinish = GetParam();
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs (CI runs as root)";
    QTemporaryDir base;
    const QString disk = base.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "needs the right to mount a tmpfs (root in a container without it): " << std::strerror(errno);
    struct Unmount {
        QString at;
        ~Unmount() { ::umount2(QFile::encodeName(at).constData(), MNT_DETACH); }
    } unmount{disk};

    MovieWriter::Settings settings;
    settings.path = QDir(disk).filePath(QStringLiteral("Full.mov"));
    settings.width = 160;
    settings.height = 120;
    settings.minFreeBytes = 0; // only the disk's own "no space" stops it
    MovieWriter writer;
    ASSERT_TRUE(writer.start(settings, nullptr));
    std::mt19937 random(7);
    int64_t frame = 0;
    const std::vector<int16_t> sound(1470, 1000);
    // Noise: pictures the encoder cannot make small.
    auto feed = [&] {
        auto picture = std::make_shared<SolidFrame>(160, 120, Qt::black);
        for (auto &byte : picture->bytes)
            byte = uint8_t(random());
        if (writer.appendVideo(picture, frame * 33'333)) {
            writer.appendAudio(sound.data(), sound.size());
            ++frame;
        }
    };
    while (writer.encodedFrames() < 60 && !writer.diskFull())
        feed();
    ASSERT_FALSE(writer.diskFull()) << "the tmpfs filled before the other process did";
    const double beforeFill = double(writer.encodedFrames()) / 30.0;

    QProcess filler;
    filler.start(QStringLiteral("dd"),
                 {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + disk + "/filler", QStringLiteral("bs=64k")});
    ASSERT_TRUE(filler.waitForFinished(60'000));
    // A minute of movie at most; the next fragment finds the disk full long before.
    while (!writer.diskFull() && frame < 30 * 60)
        feed();
    ASSERT_TRUE(writer.diskFull());
    EXPECT_EQ(writer.errorText(), QStringLiteral("The disk is full."));
    EXPECT_FALSE(writer.appendVideo(std::make_shared<SolidFrame>(160, 120, Qt::red), (frame + 1) * 33'333));

    if (roomBeforeFinish) {
        ASSERT_TRUE(QFile::remove(disk + "/filler"));
    }
    ASSERT_TRUE(writer.finish(frame * 33'333));
    EXPECT_EQ(writer.status(), MovieWriter::Status::Completed);
    EXPECT_EQ(writer.path(), settings.path);
    EXPECT_EQ(writer.keptFragmented(), !roomBeforeFinish);
    if (roomBeforeFinish) {
        EXPECT_TRUE(MovieProbe::indexFirst(writer.path()));
    }
    EXPECT_EQ(MovieProbe::decodeErrors(writer.path()), QString());
    const MovieProbe p = MovieProbe::read(writer.path());
    EXPECT_GE(p.videoDuration, beforeFill - 1.05);
    EXPECT_GE(p.audioDuration, beforeFill - 1.05);
    EXPECT_TRUE(unfinished(disk).isEmpty()) << unfinished(disk).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Disk, MovieWriterFullDisk, testing::Values(false, true),
                         [](const auto &info) { return info.param ? "RoomCameBack" : "StillFull"; });
