#pragma once
#include "app/state/SettingsModel.h"
#include "recording/RecorderState.h"
#include "uikit/ColorScheme.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qn {

class DrawViewButton;
class MorvaneButton;
class MVPopoverModyfier;
class RecordModel;
class VoiceIndicator;

// The floating recording bar beside the crop area: recorded time with its hour
// badge, the animated record graphic, the microphone meter, the feature icons, the
// record / pause / resume button and the drawing, pointer, microphone and camera
// buttons. It follows the recording state; its clicks only ask for changes.
class VideoRecorderView : public QWidget {
    Q_OBJECT
public:
    // What the bar asks of the recorder. Tests put fakes here; the bar made by the
    // overlay talks to the shared recorder.
    struct Recorder {
        std::function<void()> startRecording;
        std::function<void()> pause;
        std::function<void()> playStartSound;
        std::function<bool()> startCameraSession; // false: it failed (already printed)
        std::function<bool()> startMicrophoneSession;
        std::function<void()> stopMicrophoneSession;
        std::function<void()> stopCameraSession;
        static Recorder shared();
    };

    static constexpr int kWidth = 170;
    static constexpr int kHeight = 299;

    explicit VideoRecorderView(RecordModel *model, SettingsModel *settings, Recorder recorder,
                               QWidget *parent = nullptr);
    ~VideoRecorderView() override;

    // ---- what the bar shows, as pure functions of the state --------------------
    static QString timeText(double seconds);
    static QString hourBadgeText(double seconds);
    static QString recordTitle(bool isRecording, bool isPaused);
    static QColor stateColor(RecorderState state, const QColor &paused, const QString &recordingHex,
                             const QColor &idle);
    static QColor cardColor(RecorderState state);
    static QColor cardInk(RecorderState state);
    // The recorded time's colour: the card ink, except on the idle card, whose ink is
    // too close to the card (and, in dark, to the bar) for the thin digits to read.
    static QColor timeInk(RecorderState state);
    // Where the status card's parts lie, in the bar's coordinates.
    struct CardLayout {
        QRectF card;
        QRectF time;
        QRectF badge;
        QRectF graphic;
        QRectF meter;
        QRectF features;
    };
    static CardLayout cardLayout();
    static QColor featureIconColor(RecorderState state, bool active);
    static QColor schemeGrey(ColorScheme scheme);
    // The microphone and camera button images: name and colour.
    static std::pair<QString, QColor> muteButtonImage(const QString &device, bool enabled, bool muted,
                                                      ColorScheme scheme);
    // One step of the record graphic's animation: (frame, opacity) after (frame, opacity).
    static std::pair<int, double> animationStep(RecorderState state, int frame, double opacity);

    ColorScheme effectiveColorScheme() const;
    RecorderState state() const;
    int recordingFrame() const { return m_recordingFrame; }
    double pausedOpacity() const { return m_pausedOpacity; }
    bool showTools() const { return m_showTools; }

    // ---- actions ---------------------------------------------------------------
    void recordAction();
    void setDrawingMode(bool on);
    enum class MuteField { Camera, Microphone };
    void toggleMute(MuteField field);
    void openToolsOnHover(bool inside);
    // The screen area the movie records (global; empty: none). What the bar opens
    // beside itself keeps clear of it, so that it stays out of the movie.
    void setRecordedArea(const QRect &area);
    QRect recordedArea() const;
    void animationTick();

    // Controls, for tests and diagnostics.
    MorvaneButton *recordButton() const { return m_recordButton; }
    DrawViewButton *pencilButton() const { return m_pencil; }
    DrawViewButton *pointerButton() const { return m_pointer; }
    DrawViewButton *microphoneButton() const { return m_microphone; }
    DrawViewButton *cameraButton() const { return m_camera; }
    QWidget *toolsPalette() const;

    QSize sizeHint() const override { return QSize(kWidth, kHeight); }

Q_SIGNALS:
    // Whatever the bar shows changed (tests, diagnostics).
    void lookChanged();
    // The record button asks for a recording; whatever must make way for it (the
    // options card over the crop area) goes first.
    void recordingAboutToStart();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startCaptureDevices();
    void stopCaptureDevices();
    void refresh();
    void printState();
    void paintCard(QPainter &p, const QRectF &card);

    QPointer<RecordModel> m_model;
    Recorder m_recorder;
    Appearance m_appearance;
    int m_recordingFrame = 1;
    double m_pausedOpacity = 1.0;
    bool m_showTools = false;
    bool m_devicesStarted = false;
    QTimer m_ticker;
    QString m_shownTime;
    QString m_lastState;
    QString m_lastControls;
    bool m_painted = false;
    MorvaneButton *m_recordButton = nullptr;
    QWidget *m_drawingGroup = nullptr;
    DrawViewButton *m_pencil = nullptr;
    DrawViewButton *m_pointer = nullptr;
    DrawViewButton *m_microphone = nullptr;
    DrawViewButton *m_camera = nullptr;
    VoiceIndicator *m_meter = nullptr;
    MVPopoverModyfier *m_tools = nullptr;
};

} // namespace qn
