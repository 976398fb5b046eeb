#include "recording/VideoRecorderCore.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "app/state/SoundsCore.h"
#include "platform/CameraCapture.h"
#include "platform/MicrophoneCapture.h"
#include "platform/MovieWriter.h"
#include "platform/ScreenStream.h"
#include "recording/DeviceSessions.h"
#include "recording/FrameSoundSync.h"
#include "recording/RecordingSession.h"
#include "recording/StreamSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace qn {

struct VideoRecorderCore::Private {
    RecordModel *model = nullptr;
    FrameSoundSync sync;
    std::unique_ptr<RecordingSession> session;
    std::unique_ptr<DeviceSessions> devices;
    std::function<int64_t()> clock = [] { return monotonicMicros(); };
};

namespace {
std::atomic<VideoRecorderCore *> sharedCore{nullptr};
}

VideoRecorderCore &VideoRecorderCore::shared() {
    static VideoRecorderCore *core = [] {
        auto *made = new VideoRecorderCore(Models::shared().recordModel());
        sharedCore = made;
        return made;
    }();
    return *core;
}

VideoRecorderCore *VideoRecorderCore::sharedIfMade() { return sharedCore.load(); }

VideoRecorderCore::VideoRecorderCore(RecordModel *model, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->model = model;
    d->session = std::make_unique<RecordingSession>(model, &d->sync);
    auto *sync = &d->sync;
    d->devices = std::make_unique<DeviceSessions>(model, [sync](const MicrophoneCapture::Chunk &chunk) {
        sync->addSound(chunk);
    });
    d->session->options().writerQueueDepth = kStreamQueueDepth;
    d->session->options().wantsSound = [devices = d->devices.get()] { return devices->microphoneRunning(); };

    // The sample threads read pause and mute from the synchroniser, timed by the
    // capture clock, rather than from the model.
    connect(model, &RecordModel::isPausedChanged, this,
            [this, model] { d->sync.setPaused(model->isPaused(), d->clock()); });
    connect(model, &RecordModel::muteMicrophoneChanged, this,
            [this, model] { d->sync.setMuted(model->muteMicrophone(), d->clock()); });
    d->sync.setPaused(model->isPaused(), d->clock());
    d->sync.setMuted(model->muteMicrophone(), d->clock());
    connect(d->devices.get(), &DeviceSessions::microphoneRunningChanged, this,
            [this](bool running) { d->sync.setMicrophoneRunning(running); });

    connect(d->devices.get(), &DeviceSessions::cameraFrameChanged, this, &VideoRecorderCore::cameraFrameChanged);
    connect(d->devices.get(), &DeviceSessions::microphoneLost, this, &VideoRecorderCore::microphoneLost);
    connect(d->session.get(), &RecordingSession::writerStatusChanged, this, &VideoRecorderCore::writerStatusChanged);
    connect(d->session.get(), &RecordingSession::failed, this, &VideoRecorderCore::recordingFailed);
    connect(d->session.get(), &RecordingSession::keptAsRecorded, this, &VideoRecorderCore::movieKeptAsRecorded);
    connect(d->session.get(), &RecordingSession::finished, this, [this](const QString &path, bool ok) {
        if (ok)
            Q_EMIT recordingFinished(path);
    });
}

VideoRecorderCore::~VideoRecorderCore() {
    finishNow();
    d->devices.reset();
    d->session.reset();
    VideoRecorderCore *self = this;
    sharedCore.compare_exchange_strong(self, nullptr);
}

void VideoRecorderCore::setScreenStreamFactory(ScreenStreamFactory factory) {
    d->session->options().streamFactory = std::move(factory);
}
void VideoRecorderCore::setMicrophoneFactory(MicrophoneFactory factory) {
    d->devices->setMicrophoneFactory(std::move(factory));
}
void VideoRecorderCore::setCameraFactory(CameraFactory factory) { d->devices->setCameraFactory(std::move(factory)); }
void VideoRecorderCore::setMovieFileOverride(const QString &path) { d->session->options().movieOverride = path; }
void VideoRecorderCore::setSoundsEnabled(bool enabled) { d->session->options().soundsEnabled = enabled; }
void VideoRecorderCore::setFreeSpaceProbe(std::function<int64_t(const QString &folder)> probe) {
    d->session->options().freeSpace = std::move(probe);
}
void VideoRecorderCore::setClock(std::function<int64_t()> clock) {
    d->clock = clock;
    d->session->options().clock = std::move(clock);
}
void VideoRecorderCore::setWriterQueueDepth(int depth) { d->session->options().writerQueueDepth = std::max(1, depth); }

int64_t VideoRecorderCore::lostFrames() const { return d->session->lostFrames(); }

bool VideoRecorderCore::isRecording() const { return d->session->isRecording(); }

VideoRecorderCore::WriterStatus VideoRecorderCore::writerStatus() const {
    return WriterStatus(d->session->writerStatus());
}

std::optional<QString> VideoRecorderCore::url() const { return d->session->url(); }

void VideoRecorderCore::startRecording() {
    DrawViewModel *draw = Models::shared().drawViewModel();
    QScreen *screen = draw->cropScreen();
    if (!screen)
        return;
    shared().start(screen, draw->croppedArea());
}

void VideoRecorderCore::start(QScreen *screen, const QRectF &crop) { d->session->start(screen, crop); }

void VideoRecorderCore::pause() {
    d->sync.markPause();
    d->model->setIsPaused(true);
    d->model->setDrawingMode(false);
    if (d->session->options().soundsEnabled && !Models::shared().settingsModel()->muted())
        SoundsCore::playStopPauseVideoSound();
}

void VideoRecorderCore::stop() { d->session->finish(RecordingSession::End::StreamFailed); }

void VideoRecorderCore::stopRecording(std::function<void()> completion) {
    shared().finishRecording(std::move(completion));
}

void VideoRecorderCore::finishRecording(std::function<void()> completion) {
    d->session->finish(RecordingSession::End::Closed, std::move(completion));
}

void VideoRecorderCore::finishNow() { d->session->finishNow(); }

void VideoRecorderCore::finishBeforeExit() { d->session->endMovie(false); }

// ---- camera and microphone ------------------------------------------------

std::optional<VideoRecordingError> VideoRecorderCore::startCameraSession() { return d->devices->startCamera(); }
void VideoRecorderCore::stopCameraSession() { d->devices->stopCamera(); }
bool VideoRecorderCore::cameraSessionRunning() const { return d->devices->cameraRunning(); }
QImage VideoRecorderCore::lastCameraFrame() const { return d->devices->lastCameraFrame(); }

std::optional<VideoRecordingError> VideoRecorderCore::startMicrophoneSession() { return d->devices->startMicrophone(); }
void VideoRecorderCore::stopMicrophoneSession() { d->devices->stopMicrophone(); }
bool VideoRecorderCore::microphoneSessionRunning() const { return d->devices->microphoneRunning(); }

} // namespace qn
