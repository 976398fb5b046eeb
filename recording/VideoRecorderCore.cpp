#include "recording/VideoRecorderCore.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "app/state/SoundsCore.h"
#include "platform/Background.h"
#include "platform/CameraCapture.h"
#include "platform/MicrophoneCapture.h"
#include "platform/MovieWriter.h"
#include "platform/ScreenStream.h"
#include "recording/AudioTimeline.h"
#include "recording/MainStreamOutput.h"
#include "recording/MicLevelTable.h"
#include "recording/StreamSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace qn {

namespace {
constexpr int64_t kFrameIntervalUs = 1'000'000 / kMaxFramesPerSecond;
// Sound that lands further than one picture from where the time line wants it is
// moved there (silence in a gap, samples dropped on an overlap).
constexpr int64_t kAudioToleranceSamples = MicrophoneCapture::kSampleRate / kMaxFramesPerSecond;
constexpr size_t kMaxPendingChunks = 64;
// Sound servers hand over sound up to a couple of seconds late; a finish waits
// this long at most for the sound of the recording's last moments.
constexpr int64_t kAudioTailWaitUs = 2'500'000;

void printLine(const QString &line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void printError(const QString &text) { printLine(QStringLiteral("VideoRecorderCore Error: ") + text); }

bool soundsWanted() { return !Models::shared().settingsModel()->muted(); }
} // namespace

struct VideoRecorderCore::Private {
    VideoRecorderCore *q = nullptr;
    RecordModel *model = nullptr;
    ScreenStreamFactory streamFactory = [] { return ScreenStream::createX11(); };
    MicrophoneFactory microphoneFactory = [] { return MicrophoneCapture::createQt(); };
    CameraFactory cameraFactory = [] { return CameraCapture::createQt(); };
    QString movieOverride;
    bool soundsEnabled = true;
    int writerQueueDepth = kStreamQueueDepth;
    std::function<int64_t()> clock = [] { return monotonicMicros(); };

    // GUI thread only.
    enum class Phase { Idle, Starting, Recording, Finishing };
    Phase phase = Phase::Idle;
    bool finishRequested = false;                       // a finish arrived while starting
    bool stopAfterStart = false;                        // the stream failed while starting
    std::vector<std::function<void()>> finishCallbacks; // completions waiting for that finish
    std::unique_ptr<ScreenStream> stream;
    QPointer<QScreen> screen; // the one being recorded
    std::unique_ptr<CameraCapture> camera;
    QImage lastCameraFrame;
    std::unique_ptr<MicrophoneCapture> microphone;
    QTimer meter;

    // Shared with the stream's and the microphone's threads.
    mutable std::mutex mutex;
    bool recording = false;
    bool paused = false;
    bool muted = false;
    std::shared_ptr<MovieWriter> writer;
    MainStreamOutput output;
    std::deque<MicrophoneCapture::Chunk> pendingAudio;
    AudioTimeline timeline;
    bool acceptingAudio = false;
    bool microphoneRunning = false;
    int64_t pausedAt = 0;
    int64_t audioEndPosition = INT64_MAX; // movie µs; sound beyond it is cut
    int64_t lastAudioEnd = 0;             // capture time just after the newest sample
    int64_t endCaptureTime = 0;           // where the movie ends, on the capture clock
    std::condition_variable audioArrived;
    std::optional<QString> url;
    WriterStatus status = WriterStatus::Unknown;
    std::atomic<float> level{0};
    std::atomic<bool> recordTimePosted{false};
    int64_t streamLost = 0; // of the last finished stream
    bool diskFullReported = false;
    std::function<int64_t(const QString &)> freeSpace; // tests

    bool writing() const { return writer && writer->status() == MovieWriter::Status::Writing; }

    void onFrame(const ScreenFrame &frame);
    void onAudio(const MicrophoneCapture::Chunk &chunk);
    void placeAudioLocked(const MicrophoneCapture::Chunk &chunk);
    void writeRunLocked(const int16_t *samples, size_t count, int64_t moviePosition, bool muted);
    void onStreamStopped(const QString &error);
    // Ends the movie: no more samples, the stream stopped, the writer finished.
    // Blocking; called off the GUI thread, or on it at exit.
    void finishMovie(ScreenStream *ownedStream);
    void resetModelAfterFinish();
    void setStatus(WriterStatus value);
};

void VideoRecorderCore::Private::setStatus(WriterStatus value) {
    {
        std::lock_guard lock(mutex);
        status = value;
    }
    QMetaObject::invokeMethod(
        q,
        [self = QPointer(q)] {
            if (self)
                Q_EMIT self->writerStatusChanged();
        },
        Qt::QueuedConnection);
}

void VideoRecorderCore::Private::onFrame(const ScreenFrame &frame) {
    std::lock_guard lock(mutex);
    if (!writer)
        return;
    if (writer->diskFull()) {
        // What is written stays a movie: the recording ends here, as when the
        // stream fails, and the user reads why.
        if (recording && !diskFullReported) {
            diskFullReported = true;
            QMetaObject::invokeMethod(
                q,
                [self = QPointer(q)] {
                    if (!self)
                        return;
                    const QString text = QStringLiteral("The disk is full; the recording was stopped.");
                    printError(text);
                    Q_EMIT self->recordingFailed(text);
                    self->stop();
                },
                Qt::QueuedConnection);
        }
        return;
    }
    const auto status = frame.status == ScreenFrame::Status::Complete ? MainStreamOutput::Status::Complete
                                                                      : MainStreamOutput::Status::Idle;
    const auto decision = output.handle(frame.captureTimeUs, status, recording, paused, writing());
    if (decision.kind == MainStreamOutput::Decision::Kind::Drop)
        return;
    const int64_t moviePts = decision.pts - output.firstSampleTime();
    if (decision.kind == MainStreamOutput::Decision::Kind::Write) {
        if (!frame.buffer || !writer->appendVideo(frame.buffer, moviePts))
            return;
    } else {
        if (moviePts <= output.lastWrittenPts() - output.firstSampleTime())
            return;
        writer->holdVideo(moviePts);
    }
    output.frameWritten(decision.pts, frame.captureTimeUs);
    if (decision.startsSession) {
        timeline.start(frame.captureTimeUs, output.offset());
        timeline.setMuted(frame.captureTimeUs, muted);
    }
    timeline.resumeOffset(output.offset());
    // Sound held back since a resume can be placed now that the pause is cut out.
    std::deque<MicrophoneCapture::Chunk> waiting;
    waiting.swap(pendingAudio);
    for (const auto &chunk : waiting)
        placeAudioLocked(chunk);
    // One hand-over to the GUI thread at a time: a busy GUI thread then sees the
    // newest time instead of a backlog.
    if (!recordTimePosted.exchange(true)) {
        QMetaObject::invokeMethod(
            q,
            [this, self = QPointer(q)] {
                if (!self)
                    return;
                int64_t time;
                bool stillRecording;
                {
                    std::lock_guard lock(mutex);
                    time = output.recordTime();
                    stillRecording = recording;
                    recordTimePosted = false;
                }
                if (stillRecording)
                    model->setRecordTime(double(time) / 1e6);
            },
            Qt::QueuedConnection);
    }
}

void VideoRecorderCore::Private::onAudio(const MicrophoneCapture::Chunk &chunk) {
    const bool isMuted = [&] {
        std::lock_guard lock(mutex);
        return muted;
    }();
    if (!isMuted)
        level = MicLevelTable::level(averagePowerLevel(chunk.samples.data(), int(chunk.samples.size())));

    std::lock_guard lock(mutex);
    lastAudioEnd = AudioTimeline::sampleTime(chunk.startTimeUs, chunk.samples.size());
    audioArrived.notify_all();
    // Before the first picture there is no time line, and a chunk that arrives
    // then holds only sound from before it.
    if (!acceptingAudio || !writing() || !timeline.started())
        return;
    placeAudioLocked(chunk);
}

void VideoRecorderCore::Private::placeAudioLocked(const MicrophoneCapture::Chunk &chunk) {
    const auto placement = timeline.place(chunk.startTimeUs, chunk.samples.size());
    for (const auto &run : placement.runs)
        writeRunLocked(chunk.samples.data() + run.from, run.count, run.moviePosition, run.muted);
    if (placement.holdFrom < chunk.samples.size() && pendingAudio.size() < kMaxPendingChunks) {
        MicrophoneCapture::Chunk rest;
        rest.startTimeUs = AudioTimeline::sampleTime(chunk.startTimeUs, placement.holdFrom);
        rest.samples.assign(chunk.samples.begin() + ptrdiff_t(placement.holdFrom), chunk.samples.end());
        pendingAudio.push_back(std::move(rest));
    }
}

// The sound is placed by its capture time on the picture's time line, so it stays
// with the picture across pauses and whatever the two clocks do.
void VideoRecorderCore::Private::writeRunLocked(const int16_t *samples, size_t count, int64_t moviePosition,
                                                bool muteRun) {
    if (moviePosition >= audioEndPosition)
        return;
    if (audioEndPosition != INT64_MAX)
        count = std::min<size_t>(count, size_t((audioEndPosition - moviePosition) * MicrophoneCapture::kSampleRate /
                                               1'000'000));
    const int64_t target = moviePosition * MicrophoneCapture::kSampleRate / 1'000'000;
    const int64_t written = writer->audioSamples();
    if (target > written + kAudioToleranceSamples) {
        const std::vector<int16_t> gap(size_t(target - written), 0);
        writer->appendAudio(gap.data(), gap.size());
    } else if (target < written - kAudioToleranceSamples) {
        const size_t skip = std::min<size_t>(count, size_t(written - target));
        samples += skip;
        count -= skip;
    }
    if (count == 0)
        return;
    if (muteRun) {
        const std::vector<int16_t> silence(count, 0);
        writer->appendAudio(silence.data(), count);
    } else {
        writer->appendAudio(samples, count);
    }
}

void VideoRecorderCore::Private::onStreamStopped(const QString &error) {
    printLine(QStringLiteral("delegate error"));
    // What was recorded stays a movie; the user learns why the recording ended early.
    const QString text = error.isEmpty() ? QStringLiteral("The recording stopped: the screen can no longer be read.")
                                         : QStringLiteral("The recording stopped: ") + error;
    QMetaObject::invokeMethod(
        q,
        [self = QPointer(q), text] {
            if (!self)
                return;
            Q_EMIT self->recordingFailed(text);
            self->stop();
        },
        Qt::QueuedConnection);
}

void VideoRecorderCore::Private::finishMovie(ScreenStream *ownedStream) {
    std::shared_ptr<MovieWriter> finishing;
    int64_t end = 0;
    bool waitForSound = false;
    {
        std::lock_guard lock(mutex);
        recording = false;
        waitForSound = acceptingAudio && timeline.started() && microphoneRunning;
        endCaptureTime = paused ? pausedAt : clock();
    }
    // The stream's thread may be inside onFrame: stopping it first means no frame
    // arrives after the end is measured.
    if (ownedStream) {
        ownedStream->stop();
        std::lock_guard lock(mutex);
        streamLost = ownedStream->lostFrames();
    }
    {
        std::unique_lock lock(mutex);
        // The movie ends one picture after the last one written, so a stop while
        // paused leaves no frozen tail.
        if (output.hasLastFrame())
            end = output.lastWrittenPts() - output.firstSampleTime() + kFrameIntervalUs;
        audioEndPosition = end;
        // The sound of the last moments is still on its way from the sound server.
        if (waitForSound)
            audioArrived.wait_for(lock, std::chrono::microseconds(kAudioTailWaitUs),
                                  [this] { return lastAudioEnd >= endCaptureTime || !microphoneRunning; });
        acceptingAudio = false;
        pendingAudio.clear();
        finishing = writer;
    }
    if (!finishing || finishing->status() != MovieWriter::Status::Writing)
        return;
    const bool ok = finishing->finish(end);
    if (!ok)
        printError(finishing->errorText());
    setStatus(ok ? WriterStatus::Completed : WriterStatus::Failed);
    QString path;
    {
        std::lock_guard lock(mutex);
        path = url.value_or(QString());
    }
    if (ok)
        printLine(QStringLiteral("Recording finished: ") + path);
    QMetaObject::invokeMethod(
        q,
        [self = QPointer(q), path, ok] {
            if (self && ok)
                Q_EMIT self->recordingFinished(path);
        },
        Qt::QueuedConnection);
}

void VideoRecorderCore::Private::resetModelAfterFinish() {
    model->setRecordTime(0);
    model->setIsRecording(false);
    model->setIsPaused(false);
}

// ---------------------------------------------------------------------------

VideoRecorderCore &VideoRecorderCore::shared() {
    static VideoRecorderCore *core = [] {
        auto *made = new VideoRecorderCore(Models::shared().recordModel());
        // Another device chosen while its session runs: the session restarts on it.
        // Before the recorder exists no session runs, so nothing is missed.
        RecordModel::setDeviceSessionRestart([made](bool camera) {
            if (camera) {
                if (!made->cameraSessionRunning())
                    return;
                made->stopCameraSession();
                (void)made->startCameraSession();
            } else {
                if (!made->microphoneSessionRunning())
                    return;
                made->stopMicrophoneSession();
                (void)made->startMicrophoneSession();
            }
        });
        return made;
    }();
    return *core;
}

VideoRecorderCore::VideoRecorderCore(RecordModel *model, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->q = this;
    d->model = model;
    // The sample threads read these flags under the lock rather than the model.
    connect(model, &RecordModel::isPausedChanged, this, [this] {
        const int64_t now = d->clock();
        std::lock_guard lock(d->mutex);
        const bool paused = d->model->isPaused();
        if (paused && !d->paused)
            d->pausedAt = now;
        d->paused = paused;
        if (paused)
            d->timeline.pause(now);
        else
            d->timeline.resume(now);
    });
    connect(model, &RecordModel::muteMicrophoneChanged, this, [this] {
        const int64_t now = d->clock();
        std::lock_guard lock(d->mutex);
        d->muted = d->model->muteMicrophone();
        d->timeline.setMuted(now, d->muted);
    });
    d->paused = model->isPaused();
    d->muted = model->muteMicrophone();
    // A monitor that is unplugged or switched off takes its part of the root
    // window with it (or leaves it unseen): the recording of it ends there.
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::screenRemoved, this, [this](QScreen *removed) {
            if (!removed || removed != d->screen)
                return;
            if (d->phase != Private::Phase::Recording && d->phase != Private::Phase::Starting)
                return;
            printLine(QStringLiteral("delegate error"));
            Q_EMIT recordingFailed(QStringLiteral("The recording stopped: its screen is gone."));
            stop();
        });
    }
    d->meter.setInterval(50);
    connect(&d->meter, &QTimer::timeout, this,
            [this] { d->model->setPowerMetter(d->model->muteMicrophone() ? 0.0f : d->level.load()); });
}

VideoRecorderCore::~VideoRecorderCore() {
    finishNow();
    stopMicrophoneSession();
    stopCameraSession();
}

void VideoRecorderCore::setScreenStreamFactory(ScreenStreamFactory factory) { d->streamFactory = std::move(factory); }
void VideoRecorderCore::setMicrophoneFactory(MicrophoneFactory factory) { d->microphoneFactory = std::move(factory); }
void VideoRecorderCore::setCameraFactory(CameraFactory factory) { d->cameraFactory = std::move(factory); }
void VideoRecorderCore::setMovieFileOverride(const QString &path) { d->movieOverride = path; }
void VideoRecorderCore::setSoundsEnabled(bool enabled) { d->soundsEnabled = enabled; }
void VideoRecorderCore::setFreeSpaceProbe(std::function<int64_t(const QString &folder)> probe) {
    d->freeSpace = std::move(probe);
}
void VideoRecorderCore::setClock(std::function<int64_t()> clock) { d->clock = std::move(clock); }
void VideoRecorderCore::setWriterQueueDepth(int depth) { d->writerQueueDepth = std::max(1, depth); }

int64_t VideoRecorderCore::lostFrames() const {
    std::lock_guard lock(d->mutex);
    return (d->writer ? d->writer->droppedFrames() : 0) + d->streamLost;
}

bool VideoRecorderCore::isRecording() const {
    std::lock_guard lock(d->mutex);
    return d->recording;
}

VideoRecorderCore::WriterStatus VideoRecorderCore::writerStatus() const {
    std::lock_guard lock(d->mutex);
    return d->status;
}

std::optional<QString> VideoRecorderCore::url() const {
    std::lock_guard lock(d->mutex);
    return d->url;
}

void VideoRecorderCore::startRecording() {
    DrawViewModel *draw = Models::shared().drawViewModel();
    QScreen *screen = draw->cropScreen();
    if (!screen)
        return;
    shared().start(screen, draw->croppedArea());
}

void VideoRecorderCore::start(QScreen *screen, const QRectF &crop) {
    if (d->phase != Private::Phase::Idle || !screen)
        return;
    if (d->soundsEnabled && soundsWanted())
        SoundsCore::playStartVideoSound();
    d->phase = Private::Phase::Starting;
    d->finishRequested = false;
    d->stopAfterStart = false;
    d->screen = screen;

    const int scale = backingScale(screen);
    const StreamConfiguration config = streamConfiguration(scale, crop);
    const VideoOutputSettings video = videoOutputSettings(scale, crop);
    // The crop is in points of the screen; the stream reads root-window pixels.
    // Qt keeps a scaled screen's origin where the X server has it and scales only
    // its size.
    const QRect screenPixels(screen->geometry().topLeft(), screen->geometry().size() * scale);
    QRect source(screenPixels.topLeft() + QPoint(int(crop.x() * scale), int(crop.y() * scale)),
                 QSize(config.width, config.height));
    const QString path = d->movieOverride.isEmpty() ? Helper::videoFileURL() : d->movieOverride;

    struct Outcome {
        std::unique_ptr<ScreenStream> stream;
        std::shared_ptr<MovieWriter> writer;
        QString error;
    };
    auto *dd = d.get();
    const int queueDepth = d->writerQueueDepth;
    const auto freeSpace = d->freeSpace;
    auto chain = [dd, config, video, source, screenPixels, path, queueDepth, freeSpace]() -> std::shared_ptr<Outcome> {
        auto outcome = std::make_shared<Outcome>();
        const QSize size = video.encoderSize();
        if (source.isEmpty() || size.width() < 2 || size.height() < 2 || !screenPixels.contains(source)) {
            outcome->error = videoRecordingErrorMessage(VideoRecordingError::noScreen);
            return outcome;
        }
        auto writer = std::make_shared<MovieWriter>();
        MovieWriter::Settings settings;
        settings.path = path;
        settings.width = size.width();
        settings.height = size.height();
        settings.maxQueuedFrames = queueDepth;
        settings.freeSpace = freeSpace;
        QString error;
        if (!writer->start(settings, &error)) {
            outcome->error =
                error.isEmpty() ? videoRecordingErrorMessage(VideoRecordingError::cantCreateAVAssetWriter) : error;
            return outcome;
        }
        {
            std::lock_guard lock(dd->mutex);
            dd->output = MainStreamOutput();
            dd->timeline.reset();
            dd->acceptingAudio = true;
            dd->lastAudioEnd = 0;
            dd->audioEndPosition = INT64_MAX;
            dd->streamLost = 0;
            dd->diskFullReported = false;
            dd->pendingAudio.clear();
            dd->writer = writer;
            dd->url = writer->path();
            dd->recording = true;
        }
        std::unique_ptr<ScreenStream> stream = dd->streamFactory ? dd->streamFactory() : nullptr;
        ScreenStream::Config streamConfig;
        streamConfig.sourceRect = source;
        streamConfig.maxFps = config.maxFramesPerSecond;
        streamConfig.queueDepth = config.queueDepth;
        if (!stream || !stream->start(
                           streamConfig, [dd](const ScreenFrame &frame) { dd->onFrame(frame); },
                           [dd](const QString &e) { dd->onStreamStopped(e); }, &error)) {
            {
                std::lock_guard lock(dd->mutex);
                dd->recording = false;
                dd->acceptingAudio = false;
                dd->writer.reset();
                dd->url.reset();
            }
            // Nothing was recorded: no half-made file stays behind.
            writer->finish(0);
            QFile::remove(writer->path());
            outcome->error = error.isEmpty() ? QStringLiteral("The screen stream did not start.") : error;
            return outcome;
        }
        outcome->stream = std::move(stream);
        outcome->writer = writer;
        return outcome;
    };

    runInBackground(this, chain, [this](std::shared_ptr<Outcome> outcome) {
        if (!outcome->error.isEmpty()) {
            printError(outcome->error);
            Q_EMIT recordingFailed(outcome->error);
            {
                std::lock_guard lock(d->mutex);
                d->recording = false;
            }
            d->phase = Private::Phase::Idle;
            d->model->setIsRecording(false);
            auto callbacks = std::move(d->finishCallbacks);
            d->finishCallbacks.clear();
            for (auto &callback : callbacks)
                if (callback)
                    callback();
            return;
        }
        d->stream = std::move(outcome->stream);
        d->setStatus(WriterStatus::Writing);
        d->phase = Private::Phase::Recording;
        d->model->setIsRecording(true);
        d->model->setIsPaused(false);
        printLine(QStringLiteral("Recording started: ") + url().value_or(QString()));
        if (d->stopAfterStart) {
            d->stopAfterStart = false;
            stop();
            return;
        }
        if (d->finishRequested) {
            auto callbacks = std::move(d->finishCallbacks);
            d->finishCallbacks.clear();
            finishRecording([callbacks] {
                for (auto &callback : callbacks)
                    if (callback)
                        callback();
            });
        }
    });
}

void VideoRecorderCore::pause() {
    {
        std::lock_guard lock(d->mutex);
        d->output.setNeedOffset(true);
    }
    d->model->setIsPaused(true);
    d->model->setDrawingMode(false);
    if (d->soundsEnabled && soundsWanted())
        SoundsCore::playStopPauseVideoSound();
}

void VideoRecorderCore::stop() {
    // A stream that fails while the start is still landing ends the recording
    // as soon as it has landed; during or after a finish there is nothing to end.
    if (d->phase == Private::Phase::Starting) {
        d->stopAfterStart = true;
        return;
    }
    if (d->phase != Private::Phase::Recording)
        return;
    d->phase = Private::Phase::Finishing;
    if (d->soundsEnabled && soundsWanted())
        SoundsCore::playStopPauseVideoSound();
    // The stream has already stopped by itself; its thread is joined in the finish.
    finishInBackground(false, {});
}

void VideoRecorderCore::stopRecording(std::function<void()> completion) {
    shared().finishRecording(std::move(completion));
}

void VideoRecorderCore::finishRecording(std::function<void()> completion) {
    switch (d->phase) {
    case Private::Phase::Idle:
        d->model->setIsPaused(false);
        d->model->setDrawingMode(false);
        if (completion)
            completion();
        return;
    case Private::Phase::Starting:
    case Private::Phase::Finishing:
        // Runs when the start or the finish under way is over.
        d->finishRequested = true;
        d->finishCallbacks.push_back(std::move(completion));
        if (d->phase == Private::Phase::Finishing)
            d->finishRequested = false;
        return;
    case Private::Phase::Recording: break;
    }
    d->phase = Private::Phase::Finishing;
    finishInBackground(true, std::move(completion));
}

void VideoRecorderCore::finishInBackground(bool endDrawing, std::function<void()> completion) {
    auto stream = std::shared_ptr<ScreenStream>(std::move(d->stream));
    auto *dd = d.get();
    runInBackground(
        this, [dd, stream] { dd->finishMovie(stream.get()); },
        [this, endDrawing, completion = std::move(completion)] {
            d->phase = Private::Phase::Idle;
            d->resetModelAfterFinish();
            if (endDrawing)
                d->model->setDrawingMode(false);
            if (completion)
                completion();
            // Finishes asked for while this one ran are done too.
            auto callbacks = std::move(d->finishCallbacks);
            d->finishCallbacks.clear();
            for (auto &callback : callbacks)
                if (callback)
                    callback();
        });
}

void VideoRecorderCore::finishNow() {
    if (d->phase == Private::Phase::Idle)
        return;
    // A start or finish under way runs on the thread pool: let it land first.
    while (d->phase == Private::Phase::Starting || d->phase == Private::Phase::Finishing) {
        QThreadPool::globalInstance()->waitForDone(50);
        QCoreApplication::sendPostedEvents(this);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (d->phase == Private::Phase::Recording)
            break;
    }
    if (d->phase != Private::Phase::Recording)
        return;
    d->phase = Private::Phase::Finishing;
    d->finishMovie(d->stream.get());
    d->stream.reset();
    d->phase = Private::Phase::Idle;
    d->resetModelAfterFinish();
}

namespace {
int signalPipe[2] = {-1, -1};
void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}
} // namespace

void VideoRecorderCore::installTerminationHandlers() {
    auto *app = QCoreApplication::instance();
    if (!app || signalPipe[0] >= 0)
        return;
    QObject::connect(app, &QCoreApplication::aboutToQuit, [] { shared().finishNow(); });
    // A closed standard output (the terminal that started us went away) must not
    // kill the program in the middle of a movie; a failed print is harmless.
    ::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    // The signal only writes a byte: the movie is finished on the GUI thread, where
    // the recorder's state lives, and then the application quits normally.
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        shared().finishNow();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

std::optional<QString> VideoRecorderCore::copyMovie(const QString &source, const QString &destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("The recording could not be read: %1").arg(in.errorString());
    const QFileInfo target(destination);
    const QString temporary = target.dir().filePath(
        QStringLiteral(".%1.part-%2").arg(target.fileName()).arg(QCoreApplication::applicationPid()));
    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::NewOnly))
        return QStringLiteral("The recording could not be saved: %1").arg(out.errorString());
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (true) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0 || (n > 0 && out.write(buffer.constData(), n) != n)) {
            const QString reason = n < 0 ? in.errorString() : out.errorString();
            out.close();
            out.remove();
            return QStringLiteral("The recording could not be saved: %1").arg(reason);
        }
        if (n == 0)
            break;
    }
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        const QString reason = out.errorString();
        out.close();
        out.remove();
        return QStringLiteral("The recording could not be saved: %1").arg(reason);
    }
    out.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(destination).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return QStringLiteral("The recording could not be saved: %1").arg(reason);
    }
    return std::nullopt;
}

// ---- camera and microphone ------------------------------------------------

std::optional<VideoRecordingError> VideoRecorderCore::startCameraSession() {
    const auto device = d->model->selectedVideoDevice();
    if (!device)
        return VideoRecordingError::noVideoDevice;
    std::unique_ptr<CameraCapture> camera = d->cameraFactory ? d->cameraFactory() : nullptr;
    QPointer<VideoRecorderCore> self = this;
    if (!camera || !camera->start(device->id, [this, self](const QImage &frame) {
            if (!self)
                return;
            d->lastCameraFrame = frame;
            Q_EMIT cameraFrameChanged(frame);
        }))
        return VideoRecordingError::cantCreateDevice;
    if (d->camera)
        d->camera->stop();
    d->camera = std::move(camera);
    d->model->setCameraStreaming(true);
    return std::nullopt;
}

void VideoRecorderCore::stopCameraSession() {
    if (d->camera)
        d->camera->stop();
    if (d->model->cameraStreaming())
        d->model->setCameraStreaming(false);
}

bool VideoRecorderCore::cameraSessionRunning() const { return d->camera && d->camera->isRunning(); }

QImage VideoRecorderCore::lastCameraFrame() const { return d->lastCameraFrame; }

std::optional<VideoRecordingError> VideoRecorderCore::startMicrophoneSession() {
    const auto device = d->model->selectedAudioDevice();
    if (!device)
        return VideoRecordingError::noAudioDevice;
    std::unique_ptr<MicrophoneCapture> microphone = d->microphoneFactory ? d->microphoneFactory() : nullptr;
    auto *dd = d.get();
    if (!microphone ||
        !microphone->start(device->id, [dd](const MicrophoneCapture::Chunk &chunk) { dd->onAudio(chunk); }))
        return VideoRecordingError::cantCreateDevice;
    if (d->microphone)
        d->microphone->stop();
    d->microphone = std::move(microphone);
    d->level = 0;
    {
        std::lock_guard lock(d->mutex);
        d->microphoneRunning = true;
    }
    d->model->setMicrophoneStreaming(true);
    d->meter.start();
    return std::nullopt;
}

void VideoRecorderCore::stopMicrophoneSession() {
    {
        std::lock_guard lock(d->mutex);
        d->microphoneRunning = false;
    }
    d->audioArrived.notify_all();
    if (d->microphone)
        d->microphone->stop();
    d->meter.stop();
    d->level = 0;
    d->model->setMicrophoneStreaming(false);
    d->model->setPowerMetter(0);
}

bool VideoRecorderCore::microphoneSessionRunning() const { return d->microphone && d->microphone->isRunning(); }

} // namespace qn
