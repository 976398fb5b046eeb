#pragma once
#include <QList>
#include <QObject>
#include <QString>

namespace qn {

// One capture device as the device lists show it.
struct CaptureDevice {
    QString id;
    QString name;
    bool operator==(const CaptureDevice &other) const { return id == other.id && name == other.name; }
};

// The recording state and the camera and microphone lists.
class RecordModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording WRITE setIsRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)
    Q_PROPERTY(QList<qn::CaptureDevice> audioDevices READ audioDevices NOTIFY audioDevicesChanged)
    Q_PROPERTY(QList<qn::CaptureDevice> videoDevices READ videoDevices NOTIFY videoDevicesChanged)

public:
    explicit RecordModel(QObject *parent = nullptr);

    bool isRecording() const { return m_isRecording; }
    bool isPaused() const { return m_isPaused; }
    QList<CaptureDevice> audioDevices() const { return m_audioDevices; }
    QList<CaptureDevice> videoDevices() const { return m_videoDevices; }
    void setIsRecording(bool value);
    void setIsPaused(bool value);

    // Re-read the microphones / cameras; no devices gives an empty list.
    void updateAudioDevices();
    void updateVideoDevices();

Q_SIGNALS:
    void isRecordingChanged();
    void isPausedChanged();
    void audioDevicesChanged();
    void videoDevicesChanged();

private:
    bool m_isRecording = false;
    bool m_isPaused = false;
    QList<CaptureDevice> m_audioDevices;
    QList<CaptureDevice> m_videoDevices;
};

} // namespace qn
