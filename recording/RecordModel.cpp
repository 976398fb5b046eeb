#include "recording/RecordModel.h"

#include <QAudioDevice>
#include <QCameraDevice>
#include <QMediaDevices>

namespace qn {

RecordModel::RecordModel(QObject *parent) : QObject(parent) {}

void RecordModel::setIsRecording(bool value) {
    m_isRecording = value;
    Q_EMIT isRecordingChanged();
}

void RecordModel::setIsPaused(bool value) {
    m_isPaused = value;
    Q_EMIT isPausedChanged();
}

void RecordModel::updateAudioDevices() {
    QList<CaptureDevice> devices;
    for (const QAudioDevice &device : QMediaDevices::audioInputs())
        devices.append({QString::fromUtf8(device.id()), device.description()});
    m_audioDevices = devices;
    Q_EMIT audioDevicesChanged();
}

void RecordModel::updateVideoDevices() {
    QList<CaptureDevice> devices;
    for (const QCameraDevice &device : QMediaDevices::videoInputs())
        devices.append({QString::fromUtf8(device.id()), device.description()});
    m_videoDevices = devices;
    Q_EMIT videoDevicesChanged();
}

} // namespace qn
