#pragma once
#include "app/state/RecordModel.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;

namespace qn {

class SettingsModel;

// The camera and microphone settings of a recording: a switch and a "Source:"
// chooser for each, and three rows of features to come, shown off and disabled.
// The lists follow the recording state; a choice is written back to it, which
// restarts a running capture session on the new device.
class RecorderSettings : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 445;
    static constexpr int kHeight = 345;

    RecorderSettings(RecordModel *model, SettingsModel *settings, QWidget *parent = nullptr);

    // The first device of `list` named `name`; none for an unknown or empty name.
    static std::optional<CaptureDevice> deviceNamed(const QList<CaptureDevice> &list, const QString &name);

    QCheckBox *cameraSwitch() const { return m_cameraSwitch; }
    QCheckBox *microphoneSwitch() const { return m_microphoneSwitch; }
    QComboBox *cameraChooser() const { return m_cameraChooser; }
    QComboBox *microphoneChooser() const { return m_microphoneChooser; }

Q_SIGNALS:
    // A switch was turned, after the recording state took it: whoever made the panel
    // starts or stops the capture session.
    void cameraSwitched(bool on);
    void microphoneSwitched(bool on);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_controlsReported = false;
    void fillChooser(QComboBox *chooser, const QList<CaptureDevice> &devices,
                     const std::optional<CaptureDevice> &selected);
    void choose(bool camera, const QString &name);
    void switchChanged(bool camera, bool on);

    QPointer<RecordModel> m_model;
    QCheckBox *m_cameraSwitch = nullptr;
    QCheckBox *m_microphoneSwitch = nullptr;
    QComboBox *m_cameraChooser = nullptr;
    QComboBox *m_microphoneChooser = nullptr;
};

} // namespace qn
