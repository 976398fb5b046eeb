#include "app/state/RecordModel.h"

#include "platform/VideoInputs.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QPointer>

namespace qn {

namespace {
RecordModel::DeviceSource &deviceSource() {
    static RecordModel::DeviceSource source = RecordModel::defaultDeviceSource();
    return source;
}

} // namespace

#define QN_SETTER(Name, Type, member, signal)                                                                          \
    void RecordModel::Name(Type value) {                                                                               \
        member = value;                                                                                                \
        Q_EMIT signal();                                                                                               \
    }

RecordModel::RecordModel(QObject *parent) : QObject(parent) {}

QN_SETTER(setIsRecording, bool, m_isRecording, isRecordingChanged)
QN_SETTER(setAudioDevices, const QList<CaptureDevice> &, m_audioDevices, audioDevicesChanged)
QN_SETTER(setVideoDevices, const QList<CaptureDevice> &, m_videoDevices, videoDevicesChanged)
QN_SETTER(setCameraEnabled, bool, m_cameraEnabled, cameraEnabledChanged)
QN_SETTER(setMicrophoneEnabled, bool, m_microphoneEnabled, microphoneEnabledChanged)
QN_SETTER(setCameraStreaming, bool, m_cameraStreaming, cameraStreamingChanged)
QN_SETTER(setMicrophoneStreaming, bool, m_microphoneStreaming, microphoneStreamingChanged)
QN_SETTER(setMuteMicrophone, bool, m_muteMicrophone, muteMicrophoneChanged)
QN_SETTER(setMuteCamera, bool, m_muteCamera, muteCameraChanged)
QN_SETTER(setRecordTime, double, m_recordTime, recordTimeChanged)
QN_SETTER(setPowerMetter, float, m_powerMetter, powerMetterChanged)
QN_SETTER(setDrawingMode, bool, m_drawingMode, drawingModeChanged)
QN_SETTER(setTool, Tool, m_tool, toolChanged)
QN_SETTER(setDrawingTool, const DrawnPtr &, m_drawingTool, drawingToolChanged)
QN_SETTER(setDrawedTools, const QList<DrawnPtr> &, m_drawedTools, drawedToolsChanged)
QN_SETTER(setCanvasOpacity, qreal, m_canvasOpacity, canvasOpacityChanged)

#undef QN_SETTER

void RecordModel::setIsPaused(bool value) {
    m_isPaused = value;
    Q_EMIT isPausedChanged();
}

void RecordModel::setSelectedAudioDevice(const std::optional<CaptureDevice> &value) {
    m_selectedAudioDevice = value;
    Q_EMIT selectedAudioDeviceChanged();
}

void RecordModel::setSelectedVideoDevice(const std::optional<CaptureDevice> &value) {
    m_selectedVideoDevice = value;
    Q_EMIT selectedVideoDeviceChanged();
}

RecordModel::DeviceSource RecordModel::defaultDeviceSource() {
    DeviceSource source;
    source.audioInputs = [] {
        QList<CaptureDevice> devices;
        for (const QAudioDevice &device : QMediaDevices::audioInputs())
            devices.append({QString::fromUtf8(device.id()), device.description()});
        return devices;
    };
    source.videoInputs = [] {
        QList<CaptureDevice> devices;
        for (const VideoInput &input : listVideoInputs())
            devices.append({input.id, input.description});
        return devices;
    };
    return source;
}

void RecordModel::setDeviceSource(const DeviceSource &source) { deviceSource() = source; }

// The lists are cheap to read (the sound server's list is kept current on the GUI
// thread, the cameras come from the kernel); the result is still handed over through
// the event loop so that callers see the same "later" as a slow discovery would give them.
void RecordModel::updateAudioDevices() { discover(false); }
void RecordModel::updateVideoDevices() { discover(true); }

void RecordModel::discover(bool camera) {
    const auto &list = camera ? deviceSource().videoInputs : deviceSource().audioInputs;
    const QList<CaptureDevice> devices = list ? list() : QList<CaptureDevice>();
    QPointer<RecordModel> self = this;
    QMetaObject::invokeMethod(
        this,
        [self, camera, devices] {
            if (self)
                self->applyDiscovery(camera, devices);
        },
        Qt::QueuedConnection);
}

void RecordModel::applyDiscovery(bool camera, const QList<CaptureDevice> &devices) {
    if (camera) {
        setVideoDevices(devices);
        if (m_selectedVideoDevice)
            return;
        setSelectedVideoDevice(devices.isEmpty() ? std::nullopt : std::optional(devices.first()));
    } else {
        setAudioDevices(devices);
        if (m_selectedAudioDevice)
            return;
        setSelectedAudioDevice(devices.isEmpty() ? std::nullopt : std::optional(devices.first()));
    }
}

void RecordModel::refreshDevices(RecordModel *model) {
    QPointer<RecordModel> weak = model;
    if (!weak)
        return;
    weak->updateAudioDevices();
    if (weak)
        weak->updateVideoDevices();
}

} // namespace qn
