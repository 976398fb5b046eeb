#pragma once
#include "annotation/BaseTool.h"
#include "annotation/Tool.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace qn {

// One capture device as the device lists show it; `id` is the multimedia
// backend's identifier, `name` what the user reads.
struct CaptureDevice {
    QString id;
    QString name;
    bool operator==(const CaptureDevice &other) const { return id == other.id && name == other.name; }
};

// The whole recording state: running and paused, the camera and microphone lists
// and choices, the elapsed time, the microphone level and the strokes drawn over
// the recorded area. Lives on the GUI thread; every setter emits its signal, also
// when the value does not change.
class RecordModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording WRITE setIsRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)
    Q_PROPERTY(QList<qn::CaptureDevice> audioDevices READ audioDevices WRITE setAudioDevices NOTIFY audioDevicesChanged)
    Q_PROPERTY(QList<qn::CaptureDevice> videoDevices READ videoDevices WRITE setVideoDevices NOTIFY videoDevicesChanged)
    Q_PROPERTY(std::optional<qn::CaptureDevice> selectedAudioDevice READ selectedAudioDevice WRITE
                   setSelectedAudioDevice NOTIFY selectedAudioDeviceChanged)
    Q_PROPERTY(std::optional<qn::CaptureDevice> selectedVideoDevice READ selectedVideoDevice WRITE
                   setSelectedVideoDevice NOTIFY selectedVideoDeviceChanged)
    Q_PROPERTY(bool cameraEnabled READ cameraEnabled WRITE setCameraEnabled NOTIFY cameraEnabledChanged)
    Q_PROPERTY(bool microphoneEnabled READ microphoneEnabled WRITE setMicrophoneEnabled NOTIFY microphoneEnabledChanged)
    Q_PROPERTY(bool cameraStreaming READ cameraStreaming WRITE setCameraStreaming NOTIFY cameraStreamingChanged)
    Q_PROPERTY(bool microphoneStreaming READ microphoneStreaming WRITE setMicrophoneStreaming NOTIFY
                   microphoneStreamingChanged)
    Q_PROPERTY(bool muteMicrophone READ muteMicrophone WRITE setMuteMicrophone NOTIFY muteMicrophoneChanged)
    Q_PROPERTY(bool muteCamera READ muteCamera WRITE setMuteCamera NOTIFY muteCameraChanged)
    Q_PROPERTY(double recordTime READ recordTime WRITE setRecordTime NOTIFY recordTimeChanged)
    Q_PROPERTY(float powerMetter READ powerMetter WRITE setPowerMetter NOTIFY powerMetterChanged)
    Q_PROPERTY(bool drawingMode READ drawingMode WRITE setDrawingMode NOTIFY drawingModeChanged)
    Q_PROPERTY(qn::Tool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(qn::DrawnPtr drawingTool READ drawingTool WRITE setDrawingTool NOTIFY drawingToolChanged)
    Q_PROPERTY(QList<qn::DrawnPtr> drawedTools READ drawedTools WRITE setDrawedTools NOTIFY drawedToolsChanged)
    Q_PROPERTY(qreal canvasOpacity READ canvasOpacity WRITE setCanvasOpacity NOTIFY canvasOpacityChanged)

public:
    explicit RecordModel(QObject *parent = nullptr);

    bool isRecording() const { return m_isRecording; }
    bool isPaused() const { return m_isPaused; }
    QList<CaptureDevice> audioDevices() const { return m_audioDevices; }
    QList<CaptureDevice> videoDevices() const { return m_videoDevices; }
    std::optional<CaptureDevice> selectedAudioDevice() const { return m_selectedAudioDevice; }
    std::optional<CaptureDevice> selectedVideoDevice() const { return m_selectedVideoDevice; }
    bool cameraEnabled() const { return m_cameraEnabled; }
    bool microphoneEnabled() const { return m_microphoneEnabled; }
    bool cameraStreaming() const { return m_cameraStreaming; }
    bool microphoneStreaming() const { return m_microphoneStreaming; }
    bool muteMicrophone() const { return m_muteMicrophone; }
    bool muteCamera() const { return m_muteCamera; }
    // Seconds of movie written so far, pauses excluded.
    double recordTime() const { return m_recordTime; }
    // Microphone level, 0 to 1.
    float powerMetter() const { return m_powerMetter; }
    bool drawingMode() const { return m_drawingMode; }
    Tool tool() const { return m_tool; }
    // The stroke under the pointer; null when none is being drawn.
    DrawnPtr drawingTool() const { return m_drawingTool; }
    QList<DrawnPtr> drawedTools() const { return m_drawedTools; }
    qreal canvasOpacity() const { return m_canvasOpacity; }

    void setIsRecording(bool value);
    void setIsPaused(bool value);
    void setAudioDevices(const QList<CaptureDevice> &value);
    void setVideoDevices(const QList<CaptureDevice> &value);
    // The recorder restarts a running session on the device chosen now (it follows
    // these properties' signals).
    void setSelectedAudioDevice(const std::optional<CaptureDevice> &value);
    void setSelectedVideoDevice(const std::optional<CaptureDevice> &value);
    void setCameraEnabled(bool value);
    void setMicrophoneEnabled(bool value);
    void setCameraStreaming(bool value);
    void setMicrophoneStreaming(bool value);
    void setMuteMicrophone(bool value);
    void setMuteCamera(bool value);
    void setRecordTime(double value);
    void setPowerMetter(float value);
    void setDrawingMode(bool value);
    void setTool(Tool value);
    void setDrawingTool(const DrawnPtr &value);
    void setDrawedTools(const QList<DrawnPtr> &value);
    void setCanvasOpacity(qreal value);

    // Discovery: returns at once; the lists land on the GUI thread a moment later.
    // A chosen device stays chosen even when it has gone from the list; with none
    // chosen, the first one found (or none) is chosen.
    void updateAudioDevices();
    void updateVideoDevices();
    // The body of the shell's 10 s device timer.
    static void refreshDevices(RecordModel *model);

    // Where discovery reads its lists; tests hand in their own.
    struct DeviceSource {
        std::function<QList<CaptureDevice>()> audioInputs;
        std::function<QList<CaptureDevice>()> videoInputs;
    };
    static void setDeviceSource(const DeviceSource &source);
    static DeviceSource defaultDeviceSource();

Q_SIGNALS:
    void isRecordingChanged();
    void isPausedChanged();
    void audioDevicesChanged();
    void videoDevicesChanged();
    void selectedAudioDeviceChanged();
    void selectedVideoDeviceChanged();
    void cameraEnabledChanged();
    void microphoneEnabledChanged();
    void cameraStreamingChanged();
    void microphoneStreamingChanged();
    void muteMicrophoneChanged();
    void muteCameraChanged();
    void recordTimeChanged();
    void powerMetterChanged();
    void drawingModeChanged();
    void toolChanged();
    void drawingToolChanged();
    void drawedToolsChanged();
    void canvasOpacityChanged();

private:
    void discover(bool camera);
    void applyDiscovery(bool camera, const QList<CaptureDevice> &devices);

    bool m_isRecording = false;
    bool m_isPaused = false;
    QList<CaptureDevice> m_audioDevices;
    QList<CaptureDevice> m_videoDevices;
    std::optional<CaptureDevice> m_selectedAudioDevice;
    std::optional<CaptureDevice> m_selectedVideoDevice;
    bool m_cameraEnabled = false;
    bool m_microphoneEnabled = false;
    bool m_cameraStreaming = false;
    bool m_microphoneStreaming = false;
    bool m_muteMicrophone = false;
    bool m_muteCamera = false;
    double m_recordTime = 0;
    float m_powerMetter = 0;
    bool m_drawingMode = false;
    Tool m_tool = Tool::Pen;
    DrawnPtr m_drawingTool;
    QList<DrawnPtr> m_drawedTools;
    qreal m_canvasOpacity = 0;
};

} // namespace qn

Q_DECLARE_METATYPE(qn::CaptureDevice)
Q_DECLARE_METATYPE(std::optional<qn::CaptureDevice>)
Q_DECLARE_METATYPE(qn::DrawnPtr)
