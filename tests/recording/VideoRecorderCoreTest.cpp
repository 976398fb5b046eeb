#include "recording/VideoRecorderCore.h"
#include "app/state/RecordModel.h"
#include "tests/platform/FakeSources.h"
#include "tests/platform/MovieProbe.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

using namespace qn;

namespace {
const bool kTestPaths = (QStandardPaths::setTestModeEnabled(true), true);
constexpr int64_t kTick = 33'333;
constexpr int64_t kStart = 50'000'000; // the capture clock at the first tick
constexpr int kW = 160, kH = 120;

struct VideoRecorderCoreTest : ::testing::Test {
    QTemporaryDir dir;
    RecordModel model;
    std::shared_ptr<FakeStreamControl> stream = std::make_shared<FakeStreamControl>();
    std::shared_ptr<FakeMicControl> mic = std::make_shared<FakeMicControl>();
    std::unique_ptr<VideoRecorderCore> core;
    QString path;
    size_t micSamples = 0;
    std::atomic<int64_t> now{kStart};

    void SetUp() override {
        core = std::make_unique<VideoRecorderCore>(&model);
        core->setSoundsEnabled(false);
        // The fake stream hands pictures in far faster than real time.
        core->setWriterQueueDepth(100000);
        core->setClock([this] { return now.load(); });
        core->setScreenStreamFactory([this] { return std::make_unique<FakeStream>(stream); });
        core->setMicrophoneFactory([this] { return std::make_unique<FakeMic>(mic); });
        path = dir.filePath(QStringLiteral("movie.mov"));
        core->setMovieFileOverride(path);
    }

    bool start() {
        core->start(QGuiApplication::primaryScreen(), QRectF(10, 20, kW, kH));
        return QTest::qWaitFor([&] { return model.isRecording(); }, 5000);
    }
    void startMicrophone() {
        model.setSelectedAudioDevice(CaptureDevice{QStringLiteral("sine"), QStringLiteral("Sine")});
        ASSERT_FALSE(core->startMicrophoneSession());
    }
    // One tick of the stream and one tick's worth of sound, at tick `i`.
    void tick(int i, ScreenFrame::Status status = ScreenFrame::Status::Complete) {
        ScreenFrame f;
        f.status = status;
        f.captureTimeUs = kStart + i * kTick;
        now = f.captureTimeUs + kTick / 2;
        if (status == ScreenFrame::Status::Complete)
            f.buffer = std::make_shared<SolidFrame>(kW, kH, i % 2 ? QColor(220, 220, 220) : QColor(30, 30, 30));
        stream->frame(f);
        MicrophoneCapture::Chunk c;
        c.startTimeUs = kStart + i * kTick;
        c.samples.resize(1470);
        for (auto &s : c.samples) {
            s = int16_t(16000 * std::sin(2 * M_PI * 440 * double(micSamples) / 44100.0));
            ++micSamples;
        }
        mic->chunk(c);
    }
    // Sound as a sound server with a long latency gives it: whole seconds at once,
    // long after it was taken. `from` and `to` are ticks.
    void lateSound(int from, int to) {
        MicrophoneCapture::Chunk c;
        c.startTimeUs = kStart + from * kTick;
        const size_t n = size_t(double(to - from) * kTick * 44100 / 1e6);
        c.samples.resize(n);
        for (auto &v : c.samples) {
            v = int16_t(16000 * std::sin(2 * M_PI * 440 * double(micSamples) / 44100.0));
            ++micSamples;
        }
        mic->chunk(c);
    }
    void picture(int i) {
        ScreenFrame f;
        f.captureTimeUs = kStart + i * kTick;
        now = f.captureTimeUs + kTick / 2;
        f.buffer = std::make_shared<SolidFrame>(kW, kH, i % 2 ? QColor(220, 220, 220) : QColor(30, 30, 30));
        stream->frame(f);
    }
    void finish() {
        bool done = false;
        core->finishRecording([&] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    }
};
} // namespace

// Two seconds, a one-second pause, two seconds with the last second muted: the
// movie is four seconds long, its sound as long, silent where it was muted.
TEST_F(VideoRecorderCoreTest, PauseAndMuteKeepOneTimeLine) {
    startMicrophone();
    ASSERT_TRUE(start());
    EXPECT_EQ(core->writerStatus(), VideoRecorderCore::WriterStatus::Writing);
    EXPECT_EQ(core->url(), path);
    EXPECT_TRUE(core->isWriting());

    int i = 0;
    for (; i < 60; ++i)
        tick(i, i % 10 == 5 ? ScreenFrame::Status::Idle : ScreenFrame::Status::Complete);
    QTRY_VERIFY(model.recordTime() > 1.9);
    core->pause();
    EXPECT_TRUE(model.isPaused());
    for (; i < 90; ++i)
        tick(i);
    model.setIsPaused(false);
    for (; i < 120; ++i)
        tick(i);
    model.setMuteMicrophone(true);
    for (; i < 150; ++i)
        tick(i);
    finish();

    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(model.isPaused());
    EXPECT_EQ(model.recordTime(), 0.0);
    EXPECT_EQ(core->writerStatus(), VideoRecorderCore::WriterStatus::Completed);
    EXPECT_EQ(core->url(), path);

    const MovieProbe p = MovieProbe::read(path);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.width, kW);
    EXPECT_EQ(p.height, kH);
    EXPECT_NEAR(p.videoDuration, 4.0, 1.0 / 30);
    EXPECT_NEAR(p.audioDuration, p.videoDuration, 1.0 / 30);
    for (size_t k = 1; k < p.videoPts.size(); ++k)
        ASSERT_GT(p.videoPts[k], p.videoPts[k - 1]);
    // The pause is cut out: nothing in the picture holds for its second. (A busy
    // encoder may turn away a picture or two; that leaves far shorter holds.)
    for (size_t k = 1; k < p.videoPts.size(); ++k)
        EXPECT_LT(p.videoPts[k] - p.videoPts[k - 1], 0.5) << k;
    EXPECT_GT(p.rms(0.2, 1.8), 0.25);
    EXPECT_GT(p.rms(2.1, 2.9), 0.25); // after the resume, no gap
    EXPECT_LT(p.rms(3.1, 3.9), 0.01); // muted
}

// The same story with sound that arrives a second late and a second at a time:
// mute, pause and the end still fall where they happened.
TEST_F(VideoRecorderCoreTest, LateSoundFollowsTheTimesOfMuteAndPause) {
    startMicrophone();
    ASSERT_TRUE(start());
    int i = 0;
    for (; i < 60; ++i)
        picture(i); // 0-2 s live
    lateSound(0, 30);
    model.setMuteMicrophone(true);
    for (; i < 90; ++i)
        picture(i); // 2-3 s muted
    lateSound(30, 60);
    model.setMuteMicrophone(false);
    for (; i < 120; ++i)
        picture(i); // 3-4 s live
    lateSound(60, 90);
    core->pause();
    for (; i < 150; ++i)
        picture(i); // paused
    model.setIsPaused(false);
    lateSound(90, 120);
    for (; i < 180; ++i)
        picture(i); // 4-5 s live
    lateSound(120, 150);
    bool done = false;
    core->finishRecording([&] { done = true; });
    QTest::qWait(20);
    EXPECT_FALSE(done); // waiting for the last second of sound
    lateSound(150, 181);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));

    const MovieProbe p = MovieProbe::read(path);
    EXPECT_NEAR(p.videoDuration, 5.0, 1.0 / 30);
    EXPECT_NEAR(p.audioDuration, p.videoDuration, 1.0 / 30);
    EXPECT_GT(p.rms(0.1, 1.9), 0.25);
    EXPECT_LT(p.rms(2.1, 2.9), 0.01);
    EXPECT_GT(p.rms(3.1, 3.9), 0.25);
    EXPECT_GT(p.rms(4.1, 4.9), 0.25);
}

// A minute with two pauses, a microphone whose clock runs 0.2 % fast and sound
// that arrives in late half-second chunks: a flash in the picture and a beep in
// the sound, made at the same moment near the end, land within one frame.
TEST_F(VideoRecorderCoreTest, SoundAndPictureStayTogetherOverAMinute) {
    startMicrophone();
    ASSERT_TRUE(start());
    const int flash = 1650; // tick of the flash and the beep
    std::vector<int16_t> pending;
    double phase = 0;
    for (int i = 0; i < 1800; ++i) {
        if (i == 400 || i == 1000)
            core->pause();
        if (i == 500 || i == 1100)
            model.setIsPaused(false);
        ScreenFrame f;
        f.captureTimeUs = kStart + i * kTick;
        now = f.captureTimeUs + kTick / 2;
        const bool white = i >= flash && i < flash + 15;
        f.buffer = std::make_shared<SolidFrame>(kW, kH, white ? QColor(Qt::white) : QColor(40, 40, 40));
        stream->frame(f);
        // The device's clock is fast: a tick holds 1473 samples, not 1470.
        for (int k = 0; k < 1473; ++k) {
            const bool beep = i >= flash && i < flash + 15;
            pending.push_back(beep ? int16_t(20000 * std::sin(phase)) : 0);
            phase += 2 * M_PI * 1000 / 44100.0;
        }
        if (pending.size() >= 22050) {
            MicrophoneCapture::Chunk c;
            c.samples.swap(pending);
            // Stamped as the sound layer does: when it arrives, minus its length.
            c.startTimeUs = f.captureTimeUs + kTick - int64_t(c.samples.size()) * 1'000'000 / 44100;
            mic->chunk(c);
        }
    }
    finish();
    const MovieProbe p = MovieProbe::read(path);
    EXPECT_NEAR(p.videoDuration, 1600.0 / 30, 2.0 / 30);
    EXPECT_NEAR(p.audioDuration, p.videoDuration, 1.0 / 30);
    // First white picture.
    double flashAt = -1;
    for (size_t k = 0; k < p.lumaMeans.size(); ++k)
        if (p.lumaMeans[k] > 200) {
            flashAt = p.videoPts[k] - p.videoPts.front();
            break;
        }
    // First loud sound.
    double beepAt = -1;
    for (size_t k = 0; k < p.audio.size(); ++k)
        if (std::abs(p.audio[k]) > 0.3f) {
            beepAt = double(k) / 44100;
            break;
        }
    ASSERT_GT(flashAt, 0);
    ASSERT_GT(beepAt, 0);
    EXPECT_NEAR(flashAt, (flash - 200) / 30.0, 2.0 / 30);
    EXPECT_NEAR(beepAt, flashAt, 1.0 / 30);
}

TEST_F(VideoRecorderCoreTest, StoppingWhilePausedLeavesNoFrozenTail) {
    ASSERT_TRUE(start());
    int i = 0;
    for (; i < 30; ++i)
        tick(i);
    core->pause();
    for (; i < 120; ++i)
        tick(i);
    finish();
    const MovieProbe p = MovieProbe::read(path, false);
    EXPECT_NEAR(p.videoDuration, 1.0, 1.0 / 30);
    // No microphone: no sound track at all.
    EXPECT_EQ(p.audioIndex, -1);
}

TEST_F(VideoRecorderCoreTest, AFailingStreamFinishesAPlayableMovie) {
    QSignalSpy finished(core.get(), &VideoRecorderCore::recordingFinished);
    QSignalSpy failed(core.get(), &VideoRecorderCore::recordingFailed);
    ASSERT_TRUE(start());
    for (int i = 0; i < 20; ++i)
        tick(i);
    core->pause();
    stream->fail();
    QTRY_VERIFY(!model.isRecording());
    QTRY_COMPARE(finished.count(), 1);
    EXPECT_FALSE(model.isPaused());
    EXPECT_EQ(core->writerStatus(), VideoRecorderCore::WriterStatus::Completed);
    const MovieProbe p = MovieProbe::read(path, false);
    EXPECT_NEAR(p.videoDuration, 20.0 / 30, 1.0 / 30);
    // The user is told why the recording ended.
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed.first().first().toString().startsWith(QStringLiteral("The recording stopped")));

    // Whatever comes after is harmless: another stop, a finish, a second finish.
    core->stop();
    bool done = false;
    core->finishRecording([&] { done = true; });
    EXPECT_TRUE(done);
    core->finishNow();
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(VideoRecorderCoreTest, AStartThatFailsLeavesTheRecorderIdle) {
    stream->failStart = true;
    QSignalSpy failed(core.get(), &VideoRecorderCore::recordingFailed);
    testing::internal::CaptureStdout();
    core->start(QGuiApplication::primaryScreen(), QRectF(0, 0, kW, kH));
    const bool arrived = QTest::qWaitFor([&] { return failed.count() == 1; }, 5000);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(arrived);
    EXPECT_NE(out.find("VideoRecorderCore Error: no stream today\n"), std::string::npos) << out;
    EXPECT_FALSE(core->isRecording());
    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(core->url(), std::nullopt);

    // An area outside the screen is no screen at all.
    stream->failStart = false;
    core->start(QGuiApplication::primaryScreen(), QRectF(-50, 0, kW, kH));
    QTRY_COMPARE(failed.count(), 2);
    EXPECT_EQ(failed.last().first().toString(), QStringLiteral("Can't find screen."));
    EXPECT_FALSE(model.isRecording());
    // And the next start works.
    ASSERT_TRUE(start());
    finish();
    EXPECT_TRUE(QFile::exists(path));
}

// The disk runs low after a second: the recording stops with a message and what
// was written is a playable movie.
TEST_F(VideoRecorderCoreTest, AFullDiskEndsTheRecordingWithAPlayableMovie) {
    std::atomic<int64_t> free{int64_t(1) << 40};
    core->setFreeSpaceProbe([&free](const QString &) { return free.load(); });
    QSignalSpy failed(core.get(), &VideoRecorderCore::recordingFailed);
    ASSERT_TRUE(start());
    int i = 0;
    for (; i < 30; ++i)
        tick(i);
    QTRY_VERIFY(model.recordTime() > 0.9);
    free = 1 << 20;
    // The writer looks at the disk every half second of its own clock.
    for (; i < 200 && failed.isEmpty(); ++i) {
        tick(i);
        QTest::qWait(5);
    }
    QTRY_COMPARE(failed.count(), 1);
    EXPECT_EQ(failed.first().first().toString(), QStringLiteral("The disk is full; the recording was stopped."));
    QTRY_VERIFY(!model.isRecording());
    EXPECT_EQ(core->writerStatus(), VideoRecorderCore::WriterStatus::Completed);
    const MovieProbe p = MovieProbe::read(path, false);
    ASSERT_TRUE(p.opened);
    EXPECT_GE(p.videoDuration, 1.0 - 0.001);
}

TEST_F(VideoRecorderCoreTest, FinishNowEndsTheMovieBeforeReturning) {
    ASSERT_TRUE(start());
    for (int i = 0; i < 15; ++i)
        tick(i);
    core->finishNow();
    EXPECT_FALSE(model.isRecording());
    const MovieProbe p = MovieProbe::read(path, false);
    EXPECT_NEAR(p.videoDuration, 0.5, 1.0 / 30);
}

// Every way a recording can end goes through the one finish: each leaves a movie
// of what was recorded and the recording state reset, and a second end after it
// is harmless.
TEST_F(VideoRecorderCoreTest, EveryEndLeavesAFinishedMovie) {
    struct Case {
        const char *name;
        std::function<void(VideoRecorderCoreTest &)> end;
    };
    const std::vector<Case> cases = {
        {"the overlay closes", [](VideoRecorderCoreTest &t) { t.finish(); }},
        {"the stream fails",
         [](VideoRecorderCoreTest &t) {
             t.stream->fail();
             QTRY_VERIFY(!t.model.isRecording());
         }},
        {"a termination signal or Quit", [](VideoRecorderCoreTest &t) { t.core->finishNow(); }},
        {"the process exits from another thread",
         [](VideoRecorderCoreTest &t) {
             std::thread exiting([&t] { t.core->finishBeforeExit(); });
             exiting.join();
         }},
        {"an exit while a finish is under way",
         [](VideoRecorderCoreTest &t) {
             t.core->finishRecording();
             std::thread exiting([&t] { t.core->finishBeforeExit(); });
             exiting.join();
             QTRY_VERIFY(!t.model.isRecording());
         }},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        path = dir.filePath(QStringLiteral("movie-%1.mov").arg(n++));
        core->setMovieFileOverride(path);
        QSignalSpy finished(core.get(), &VideoRecorderCore::recordingFinished);
        startMicrophone();
        ASSERT_TRUE(start());
        for (int i = 0; i < 30; ++i)
            tick(i);
        c.end(*this);
        EXPECT_EQ(core->writerStatus(), VideoRecorderCore::WriterStatus::Completed);
        QTRY_COMPARE(finished.count(), 1);
        EXPECT_EQ(finished.first().first().toString(), path);
        // Whatever end comes after is harmless.
        core->finishNow();
        core->finishBeforeExit();
        core->stop();
        QTest::qWait(1);
        EXPECT_EQ(finished.count(), 1);
        if (!QTest::qWaitFor([&] { return !model.isRecording(); }, 5000)) {
            ADD_FAILURE() << "the recording state was not reset";
            continue;
        }
        EXPECT_EQ(model.recordTime(), 0.0);
        const MovieProbe p = MovieProbe::read(path);
        ASSERT_TRUE(p.opened);
        EXPECT_NEAR(p.videoDuration, 1.0, 1.0 / 30);
        EXPECT_NEAR(p.audioDuration, p.videoDuration, 1.0 / 30);
        core->stopMicrophoneSession();
        now = kStart;
        micSamples = 0;
    }
}

// The microphone is unplugged mid-recording: the session stops, the user is told,
// the bar shows the microphone off, and the movie goes on to its end with silence.
TEST_F(VideoRecorderCoreTest, AMicrophoneThatGoesAwayLeavesSilence) {
    QSignalSpy lost(core.get(), &VideoRecorderCore::microphoneLost);
    model.setMicrophoneEnabled(true);
    model.setAudioDevices({CaptureDevice{QStringLiteral("sine"), QStringLiteral("Sine")}});
    startMicrophone();
    ASSERT_TRUE(start());
    int i = 0;
    for (; i < 60; ++i)
        tick(i);
    // Another device coming or going changes nothing while ours is listed.
    model.setAudioDevices({CaptureDevice{QStringLiteral("usb"), QStringLiteral("USB")},
                           CaptureDevice{QStringLiteral("sine"), QStringLiteral("Sine")}});
    EXPECT_TRUE(lost.isEmpty());
    model.setAudioDevices({CaptureDevice{QStringLiteral("usb"), QStringLiteral("USB")}});
    ASSERT_EQ(lost.count(), 1);
    EXPECT_EQ(lost.first().first().toString(), QStringLiteral("Sine"));
    EXPECT_FALSE(model.microphoneStreaming());
    EXPECT_FALSE(model.microphoneEnabled());
    EXPECT_FALSE(core->microphoneSessionRunning());
    EXPECT_TRUE(model.isRecording());
    for (; i < 120; ++i)
        picture(i);
    finish();
    const MovieProbe p = MovieProbe::read(path);
    EXPECT_NEAR(p.videoDuration, 4.0, 1.0 / 30);
    EXPECT_NEAR(p.audioDuration, p.videoDuration, 1.0 / 30);
    EXPECT_GT(p.rms(0.2, 1.8), 0.25);
    EXPECT_LT(p.rms(2.2, 3.9), 0.01);
}

TEST_F(VideoRecorderCoreTest, MicrophoneLevelAndMute) {
    EXPECT_EQ(core->startMicrophoneSession(), VideoRecordingError::noAudioDevice);
    EXPECT_FALSE(model.microphoneStreaming());
    startMicrophone();
    EXPECT_TRUE(model.microphoneStreaming());
    EXPECT_TRUE(core->microphoneSessionRunning());
    tick(0);
    QTRY_VERIFY(model.powerMetter() > 0.5f);
    model.setMuteMicrophone(true);
    QTRY_COMPARE(model.powerMetter(), 0.0f);
    core->stopMicrophoneSession();
    EXPECT_FALSE(model.microphoneStreaming());
    EXPECT_EQ(model.powerMetter(), 0.0f);

    // A restart after another device is chosen keeps the session going.
    startMicrophone();
    model.setSelectedAudioDevice(CaptureDevice{QStringLiteral("other"), QStringLiteral("Other")});
    EXPECT_TRUE(model.microphoneStreaming());
}

TEST_F(VideoRecorderCoreTest, CameraWithoutDevices) {
    EXPECT_EQ(core->startCameraSession(), VideoRecordingError::noVideoDevice);
    model.setSelectedVideoDevice(CaptureDevice{QStringLiteral("none"), QStringLiteral("None")});
    // The real camera layer finds no such device here.
    EXPECT_EQ(core->startCameraSession(), VideoRecordingError::cantCreateDevice);
    EXPECT_FALSE(model.cameraStreaming());
    EXPECT_FALSE(core->cameraSessionRunning());
}
