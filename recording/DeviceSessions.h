#pragma once
#include "platform/MicrophoneCapture.h"
#include "recording/VideoRecordingError.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QMediaDevices;

namespace qn {

class RecordModel;
class CameraCapture;

// The camera and microphone sessions the control bar asks for, the microphone's
// level meter, and the watch on the chosen microphone: one that goes away while
// its session runs is stopped and reported, and the recording goes on with
// silence. A session restarts on the device chosen while it runs. GUI thread.
class DeviceSessions : public QObject {
    Q_OBJECT
public:
    using MicrophoneFactory = std::function<std::unique_ptr<MicrophoneCapture>()>;
    using CameraFactory = std::function<std::unique_ptr<CameraCapture>()>;
    // Where the microphone's sound goes; called on the microphone's thread.
    using SoundSink = std::function<void(const MicrophoneCapture::Chunk &)>;

    DeviceSessions(RecordModel *model, SoundSink sink, QObject *parent = nullptr);
    ~DeviceSessions() override;

    void setMicrophoneFactory(MicrophoneFactory factory) { m_microphoneFactory = std::move(factory); }
    void setCameraFactory(CameraFactory factory) { m_cameraFactory = std::move(factory); }

    std::optional<VideoRecordingError> startCamera();
    void stopCamera();
    bool cameraRunning() const;
    QImage lastCameraFrame() const { return m_lastCameraFrame; }

    std::optional<VideoRecordingError> startMicrophone();
    void stopMicrophone();
    bool microphoneRunning() const;

    // The device lists changed: a running microphone that is no longer among them
    // is gone.
    void checkMicrophone();

Q_SIGNALS:
    void cameraFrameChanged(const QImage &frame);
    void microphoneRunningChanged(bool running);
    // The running microphone went away; `name` is what the user knows it by.
    void microphoneLost(const QString &name);

private:
    void restart(bool camera);

    RecordModel *m_model;
    SoundSink m_sink;
    MicrophoneFactory m_microphoneFactory;
    CameraFactory m_cameraFactory;
    std::unique_ptr<CameraCapture> m_camera;
    QImage m_lastCameraFrame;
    std::unique_ptr<MicrophoneCapture> m_microphone;
    QString m_microphoneId;
    QString m_microphoneName;
    QTimer m_meter;
    QMediaDevices *m_mediaDevices = nullptr;
    std::atomic<float> m_level{0};
    std::atomic<bool> m_muted{false};
};

} // namespace qn
