#include "recording/DeviceSessions.h"

#include "app/state/RecordModel.h"
#include "platform/CameraCapture.h"
#include "recording/MicLevelTable.h"

#include <QMediaDevices>
#include <QPointer>

namespace qn {

DeviceSessions::DeviceSessions(RecordModel *model, SoundSink sink, QObject *parent)
    : QObject(parent), m_model(model), m_sink(std::move(sink)),
      m_microphoneFactory([] { return MicrophoneCapture::createQt(); }),
      m_cameraFactory([] { return CameraCapture::createQt(); }) {
    m_muted = model->muteMicrophone();
    connect(model, &RecordModel::muteMicrophoneChanged, this, [this] { m_muted = m_model->muteMicrophone(); });
    // Another device chosen while its session runs: the session restarts on it.
    connect(model, &RecordModel::selectedVideoDeviceChanged, this, [this] { restart(true); });
    connect(model, &RecordModel::selectedAudioDeviceChanged, this, [this] { restart(false); });
    connect(model, &RecordModel::audioDevicesChanged, this, &DeviceSessions::checkMicrophone);
    m_meter.setInterval(50);
    connect(&m_meter, &QTimer::timeout, this,
            [this] { m_model->setPowerMetter(m_model->muteMicrophone() ? 0.0f : m_level.load()); });
}

DeviceSessions::~DeviceSessions() {
    stopMicrophone();
    stopCamera();
}

void DeviceSessions::restart(bool camera) {
    if (camera) {
        if (!cameraRunning())
            return;
        stopCamera();
        (void)startCamera();
    } else {
        if (!microphoneRunning())
            return;
        stopMicrophone();
        (void)startMicrophone();
    }
}

std::optional<VideoRecordingError> DeviceSessions::startCamera() {
    const auto device = m_model->selectedVideoDevice();
    if (!device)
        return VideoRecordingError::noVideoDevice;
    if (m_camera && !m_camera->isRunning())
        m_camera.reset();
    std::unique_ptr<CameraCapture> camera = m_cameraFactory ? m_cameraFactory() : nullptr;
    QPointer<DeviceSessions> self = this;
    if (!camera || !camera->start(device->id, [this, self](const QImage &frame) {
            if (!self)
                return;
            m_lastCameraFrame = frame;
            Q_EMIT cameraFrameChanged(frame);
        }))
        return VideoRecordingError::cantCreateDevice;
    if (m_camera)
        m_camera->stop();
    m_camera = std::move(camera);
    m_model->setCameraStreaming(true);
    return std::nullopt;
}

void DeviceSessions::stopCamera() {
    if (m_camera)
        m_camera->stop();
    if (m_model->cameraStreaming())
        m_model->setCameraStreaming(false);
}

bool DeviceSessions::cameraRunning() const { return m_camera && m_camera->isRunning(); }

std::optional<VideoRecordingError> DeviceSessions::startMicrophone() {
    const auto device = m_model->selectedAudioDevice();
    if (!device)
        return VideoRecordingError::noAudioDevice;
    // A session stopped before is let go first; a running one stays until the new
    // one runs, so a failed start changes nothing.
    if (m_microphone && !m_microphone->isRunning())
        m_microphone.reset();
    std::unique_ptr<MicrophoneCapture> microphone = m_microphoneFactory ? m_microphoneFactory() : nullptr;
    auto handler = [this](const MicrophoneCapture::Chunk &chunk) {
        if (!m_muted)
            m_level = MicLevelTable::level(averagePowerLevel(chunk.samples.data(), int(chunk.samples.size())));
        if (m_sink)
            m_sink(chunk);
    };
    if (!microphone || !microphone->start(device->id, handler))
        return VideoRecordingError::cantCreateDevice;
    if (m_microphone)
        m_microphone->stop();
    m_microphone = std::move(microphone);
    m_microphoneId = device->id;
    m_microphoneName = device->name;
    m_level = 0;
    Q_EMIT microphoneRunningChanged(true);
    m_model->setMicrophoneStreaming(true);
    m_meter.start();
    // The sound server tells when a source goes; the device lists are read again then.
    if (!m_mediaDevices) {
        m_mediaDevices = new QMediaDevices(this);
        connect(m_mediaDevices, &QMediaDevices::audioInputsChanged, m_model, &RecordModel::updateAudioDevices);
    }
    return std::nullopt;
}

void DeviceSessions::stopMicrophone() {
    Q_EMIT microphoneRunningChanged(false);
    if (m_microphone)
        m_microphone->stop();
    m_meter.stop();
    m_level = 0;
    m_model->setMicrophoneStreaming(false);
    m_model->setPowerMetter(0);
}

bool DeviceSessions::microphoneRunning() const { return m_microphone && m_microphone->isRunning(); }

void DeviceSessions::checkMicrophone() {
    if (!microphoneRunning())
        return;
    for (const CaptureDevice &device : m_model->audioDevices())
        if (device.id == m_microphoneId)
            return;
    // Sound stops arriving; the movie's sound track is filled with silence from
    // here, and the bar shows the microphone off.
    const QString name = m_microphoneName;
    stopMicrophone();
    m_model->setMicrophoneEnabled(false);
    Q_EMIT microphoneLost(name);
}

} // namespace qn
