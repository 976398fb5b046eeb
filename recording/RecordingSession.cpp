#include "recording/RecordingSession.h"

#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "app/state/SoundsCore.h"
#include "platform/Background.h"
#include "platform/Diagnostics.h"
#include "platform/MovieWriter.h"
#include "platform/ScreenStream.h"
#include "recording/StreamSettings.h"
#include "recording/VideoRecordingError.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QThreadPool>

#include <chrono>

namespace qn {

namespace {
// Sound servers hand over sound up to a couple of seconds late; a finish waits
// this long at most for the sound of the recording's last moments.
constexpr std::chrono::microseconds kSoundTailWait{2'500'000};
constexpr std::chrono::microseconds kExitSoundWait{300'000};

void printError(const QString &text) { diagnostics::report(diagnostics::recorderError(text)); }
} // namespace

RecordingSession::RecordingSession(RecordModel *model, FrameSoundSync *sync, QObject *parent)
    : QObject(parent), m_model(model), m_sync(sync) {
    m_options.streamFactory = [] { return ScreenStream::createX11(); };
    m_options.clock = [] { return monotonicMicros(); };
    // A monitor that is unplugged or switched off takes its part of the root
    // window with it (or leaves it unseen): the recording of it ends there.
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::screenRemoved, this, [this](QScreen *removed) {
            if (!removed || removed != m_screen)
                return;
            if (m_phase != Phase::Recording && m_phase != Phase::Starting)
                return;
            diagnostics::report(diagnostics::recorderDelegateError());
            Q_EMIT failed(QStringLiteral("The recording stopped: its screen is gone."));
            finish(End::ScreenLost);
        });
    }
}

RecordingSession::~RecordingSession() { finishNow(); }

std::optional<QString> RecordingSession::url() const {
    std::lock_guard lock(m_mutex);
    return m_url;
}

int64_t RecordingSession::lostFrames() const {
    const auto writer = m_sync->writer();
    std::lock_guard lock(m_mutex);
    return (writer ? writer->droppedFrames() : 0) + m_streamLost;
}

void RecordingSession::start(QScreen *screen, const QRectF &crop) {
    if (m_phase != Phase::Idle || !screen)
        return;
    if (m_options.soundsEnabled && !Models::shared().settingsModel()->muted())
        SoundsCore::playStartVideoSound();
    m_phase = Phase::Starting;
    m_endAfterStart.reset();
    m_ending.reset();
    m_screen = screen;

    const int scale = backingScale(screen);
    const StreamConfiguration config = streamConfiguration(scale, crop);
    const VideoOutputSettings video = videoOutputSettings(scale, crop);
    // The crop is in points of the screen; the stream reads root-window pixels.
    // Qt keeps a scaled screen's origin where the X server has it and scales only
    // its size.
    const QRect screenPixels(screen->geometry().topLeft(), screen->geometry().size() * scale);
    const QRect source(screenPixels.topLeft() + QPoint(int(crop.x() * scale), int(crop.y() * scale)),
                       QSize(config.width, config.height));
    MovieWriter::Settings settings;
    settings.path = m_options.movieOverride.isEmpty() ? Helper::videoFileURL() : m_options.movieOverride;
    settings.width = video.encoderSize().width();
    settings.height = video.encoderSize().height();
    settings.maxQueuedFrames = m_options.writerQueueDepth;
    settings.freeSpace = m_options.freeSpace;
    // Without a running microphone the movie has no sound track at all.
    settings.audio = m_options.wantsSound ? m_options.wantsSound() : true;
    ScreenStream::Config streamConfig;
    streamConfig.sourceRect = source;
    streamConfig.maxFps = config.maxFramesPerSecond;
    streamConfig.queueDepth = config.queueDepth;

    struct Outcome {
        std::unique_ptr<ScreenStream> stream;
        QString error;
    };
    auto factory = m_options.streamFactory;
    // Opening the encoder and the stream takes a moment: off the GUI thread.
    auto chain = [this, factory, settings, streamConfig, screenPixels]() -> std::shared_ptr<Outcome> {
        auto outcome = std::make_shared<Outcome>();
        const QRect source = streamConfig.sourceRect;
        if (source.isEmpty() || settings.width < 2 || settings.height < 2 || !screenPixels.contains(source)) {
            outcome->error = videoRecordingErrorMessage(VideoRecordingError::noScreen);
            return outcome;
        }
        auto writer = std::make_shared<MovieWriter>();
        QString error;
        if (!writer->start(settings, &error)) {
            outcome->error =
                error.isEmpty() ? videoRecordingErrorMessage(VideoRecordingError::cantCreateAVAssetWriter) : error;
            return outcome;
        }
        m_sync->begin(writer);
        {
            std::lock_guard lock(m_mutex);
            m_url = writer->path();
            m_movieOpen = true;
            m_streamLost = 0;
        }
        m_recording = true;
        m_endReported = false;
        std::unique_ptr<ScreenStream> stream = factory ? factory() : nullptr;
        if (!stream || !stream->start(
                           streamConfig, [this](const ScreenFrame &frame) { onFrame(frame); },
                           [this](const QString &e) { onStreamStopped(e); }, &error)) {
            m_recording = false;
            m_sync->stopPictures(0);
            (void)m_sync->close(std::chrono::microseconds(0));
            {
                std::lock_guard lock(m_mutex);
                m_movieOpen = false;
                m_url.reset();
            }
            // Nothing was recorded: no half-made file stays behind.
            writer->finish(0);
            QFile::remove(writer->path());
            outcome->error = error.isEmpty() ? QStringLiteral("The screen stream did not start.") : error;
            return outcome;
        }
        outcome->stream = std::move(stream);
        return outcome;
    };
    runInBackground(this, chain, [this](std::shared_ptr<Outcome> outcome) {
        landStart(std::move(outcome->stream), outcome->error);
    });
}

void RecordingSession::landStart(std::unique_ptr<ScreenStream> stream, const QString &error) {
    if (!error.isEmpty()) {
        printError(error);
        Q_EMIT failed(error);
        m_phase = Phase::Idle;
        m_model->setIsRecording(false);
        runCallbacks();
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stream = std::move(stream);
    }
    m_phase = Phase::Recording;
    m_status = int(MovieWriter::Status::Writing);
    Q_EMIT writerStatusChanged(m_status);
    m_model->setIsRecording(true);
    m_model->setIsPaused(false);
    const QString path = url().value_or(QString());
    diagnostics::report(diagnostics::recordingStarted(path));
    Q_EMIT started(path);
    if (const auto why = m_endAfterStart) {
        m_endAfterStart.reset();
        finish(*why);
    }
}

void RecordingSession::onFrame(const ScreenFrame &frame) {
    const auto result = m_sync->addFrame(frame);
    if (result.diskFull) {
        // What is written stays a movie: the recording ends here, as when the
        // stream fails, and the user reads why.
        if (!m_endReported.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    const QString text = QStringLiteral("The disk is full; the recording was stopped.");
                    printError(text);
                    Q_EMIT failed(text);
                    finish(End::DiskFull);
                },
                Qt::QueuedConnection);
        return;
    }
    // One hand-over to the GUI thread at a time: a busy GUI thread then sees the
    // newest time instead of a backlog.
    if (result.placed && !m_recordTimePosted.exchange(true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_recordTimePosted = false;
                if (m_recording)
                    m_model->setRecordTime(double(m_sync->recordTime()) / 1e6);
            },
            Qt::QueuedConnection);
}

void RecordingSession::onStreamStopped(const QString &error) {
    diagnostics::report(diagnostics::recorderDelegateError());
    // What was recorded stays a movie; the user learns why the recording ended early.
    const QString text = error.isEmpty() ? QStringLiteral("The recording stopped: the screen can no longer be read.")
                                         : QStringLiteral("The recording stopped: ") + error;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            Q_EMIT failed(text);
            finish(End::StreamFailed);
        },
        Qt::QueuedConnection);
}

void RecordingSession::finish(End why, std::function<void()> completion) {
    if (completion)
        m_callbacks.push_back(std::move(completion));
    switch (m_phase) {
    case Phase::Idle:
        if (why == End::Closed) {
            m_model->setIsPaused(false);
            m_model->setDrawingMode(false);
        }
        runCallbacks();
        return;
    case Phase::Starting:
        // Done as soon as the start has landed.
        if (!m_endAfterStart || why == End::Closed)
            m_endAfterStart = why;
        return;
    case Phase::Finishing:
        // Joins the finish under way; its completion runs when that one lands.
        return;
    case Phase::Recording: break;
    }
    m_phase = Phase::Finishing;
    m_ending = why;
    m_recording = false;
    // An end the user did not ask for is heard, as a pause is.
    if (why != End::Closed && why != End::Exit && m_options.soundsEnabled && !Models::shared().settingsModel()->muted())
        SoundsCore::playStopPauseVideoSound();
    runInBackground(
        this, [this] { endMovie(); }, [this] { landFinish(); });
}

void RecordingSession::finishNow() {
    // A start under way runs on the thread pool: let it land first.
    while (m_phase == Phase::Starting) {
        QThreadPool::globalInstance()->waitForDone(50);
        QCoreApplication::sendPostedEvents(this);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    }
    if (m_phase == Phase::Idle)
        return;
    if (m_phase == Phase::Recording) {
        m_phase = Phase::Finishing;
        m_ending = End::Exit;
        m_recording = false;
    }
    // Does the finish, or waits for the one under way on the thread pool.
    endMovie();
    landFinish();
}

void RecordingSession::endMovie(bool stopStream) {
    std::shared_ptr<ScreenStream> stream;
    {
        std::unique_lock lock(m_mutex);
        if (m_movieEnding) {
            m_movieEnded.wait(lock, [this] { return !m_movieEnding; });
            return;
        }
        if (!m_movieOpen)
            return;
        m_movieEnding = true;
        if (stopStream)
            stream = m_stream;
    }
    m_recording = false;
    m_sync->stopPictures(m_options.clock ? m_options.clock() : monotonicMicros());
    // The stream's thread may be inside onFrame: stopping it first means no frame
    // arrives after the end is measured. (On the stream's own thread, stop() only
    // asks it to end.)
    int64_t lost = 0;
    if (stream) {
        stream->stop();
        lost = stream->lostFrames();
    }
    // On the way out of the process the sound server's last moments are not worth
    // risking the movie for.
    const FrameSoundSync::Close close = m_sync->close(stopStream ? kSoundTailWait : kExitSoundWait);
    bool ok = false;
    QString path;
    {
        std::lock_guard lock(m_mutex);
        path = m_url.value_or(QString());
    }
    bool fragmented = false;
    if (close.writer && close.writer->status() == MovieWriter::Status::Writing) {
        ok = close.writer->finish(close.endUs);
        // The writer may have had to take another name for the finished movie.
        path = close.writer->path();
        fragmented = ok && close.writer->keptFragmented();
        if (ok)
            diagnostics::report(diagnostics::recordingFinished(path));
        else
            printError(close.writer->errorText());
    }
    const int status = int(close.writer ? close.writer->status() : MovieWriter::Status::Unknown);
    m_status = status;
    {
        std::lock_guard lock(m_mutex);
        if (!path.isEmpty())
            m_url = path;
        m_streamLost = lost;
        m_movieOpen = false;
        m_movieEnding = false;
    }
    m_movieEnded.notify_all();
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(
            this,
            [this, path, ok, status, fragmented] {
                Q_EMIT writerStatusChanged(status);
                if (fragmented)
                    Q_EMIT keptAsRecorded(path);
                if (!path.isEmpty())
                    Q_EMIT finished(path, ok);
            },
            Qt::QueuedConnection);
}

void RecordingSession::landFinish() {
    if (m_phase != Phase::Finishing)
        return;
    m_phase = Phase::Idle;
    {
        std::lock_guard lock(m_mutex);
        m_stream.reset();
    }
    resetModel();
    if (m_ending == End::Closed)
        m_model->setDrawingMode(false);
    m_ending.reset();
    runCallbacks();
}

void RecordingSession::resetModel() {
    m_model->setRecordTime(0);
    m_model->setIsRecording(false);
    m_model->setIsPaused(false);
}

void RecordingSession::runCallbacks() {
    auto callbacks = std::move(m_callbacks);
    m_callbacks.clear();
    for (auto &callback : callbacks)
        if (callback)
            callback();
}

} // namespace qn
