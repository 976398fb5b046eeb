#include "recording/RecorderSettings.h"

#include "app/state/SettingsModel.h"
#include "editor_ui/EditorIcons.h"
#include "platform/Diagnostics.h"
#include "platform/Observe.h"
#include "uikit/Color.h"
#include "uikit/ColorScheme.h"
#include "uikit/Typography.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace qn {

namespace {
// A 16 x 16 icon of the recorder group in the text colour of its surroundings.
class RowIcon : public QWidget {
public:
    RowIcon(const QString &name, QWidget *parent) : QWidget(parent), m_name(name) { setFixedSize(16, 16); }

protected:
    void paintEvent(QPaintEvent *) override {
        if (m_name.isEmpty())
            return;
        QPainter p(this);
        paintEditorIcon(p, m_name, QRectF(0, 0, 16, 16), palette().color(QPalette::WindowText));
    }

private:
    QString m_name;
};

QLabel *styledLabel(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    TextStyle::contentS().apply(label);
    return label;
}

QWidget *section(QWidget *parent) {
    auto *box = new QWidget(parent);
    box->setObjectName(QStringLiteral("recorderSettingsSection"));
    box->setAttribute(Qt::WA_StyledBackground);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(6);
    return box;
}

QHBoxLayout *line(QWidget *box, const QString &icon, QWidget *label, QWidget *control) {
    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(new RowIcon(icon, box));
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(control);
    static_cast<QVBoxLayout *>(box->layout())->addLayout(row);
    return row;
}
} // namespace

std::optional<CaptureDevice> RecorderSettings::deviceNamed(const QList<CaptureDevice> &list, const QString &name) {
    if (name.isEmpty())
        return std::nullopt;
    for (const CaptureDevice &device : list)
        if (device.name == name)
            return device;
    return std::nullopt;
}

RecorderSettings::RecorderSettings(RecordModel *model, SettingsModel *settings, QWidget *parent)
    : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("recorderSettings"));
    setFixedSize(kWidth, kHeight);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    const auto deviceSection = [&](bool camera) {
        QWidget *box = section(this);
        auto *toggle = new QCheckBox(box);
        toggle->setObjectName(camera ? QStringLiteral("cameraSwitch") : QStringLiteral("microphoneSwitch"));
        line(box, camera ? QStringLiteral("camera@recorder") : QStringLiteral("microphone@recorder"),
             styledLabel(camera ? QStringLiteral("Camera") : QStringLiteral("Microphone"), box), toggle);
        auto *chooser = new QComboBox(box);
        chooser->setObjectName(camera ? QStringLiteral("cameraChooser") : QStringLiteral("microphoneChooser"));
        chooser->setMinimumWidth(220);
        chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        line(box, QString(), styledLabel(QStringLiteral("Source:"), box), chooser);
        column->addWidget(box);
        connect(toggle, &QCheckBox::toggled, this, [this, camera](bool on) { switchChanged(camera, on); });
        // Only the user's own choice is written back, never the panel following the model.
        connect(chooser, &QComboBox::activated, this,
                [this, camera, chooser](int index) { choose(camera, chooser->itemText(index)); });
        return std::pair{toggle, chooser};
    };
    std::tie(m_cameraSwitch, m_cameraChooser) = deviceSection(true);
    std::tie(m_microphoneSwitch, m_microphoneChooser) = deviceSection(false);

    for (const auto &[icon, text] : {std::pair{"clicks@recorder", "Pointer (Soon...)"},
                                     std::pair{"keyboard@recorder", "Keyboard recording (Soon...)"},
                                     std::pair{"sound@recorder", "Computer sounds (Soon...)"}}) {
        QWidget *box = section(this);
        auto *off = new QCheckBox(box);
        off->setChecked(false);
        QLabel *label = styledLabel(QLatin1String(text), box);
        line(box, QLatin1String(icon), label, off);
        box->setEnabled(false);
        column->addWidget(box);
    }
    column->addStretch(1);

    ColorScheme scheme = environmentColorScheme(this);
    if (settings) {
        if (settings->appearance() == Appearance::Light)
            scheme = ColorScheme::Light;
        else if (settings->appearance() == Appearance::Dark)
            scheme = ColorScheme::Dark;
    }
    setPreferredColorScheme(this, scheme);
    const QString sectionFill =
        scheme == ColorScheme::Light ? QStringLiteral("rgba(255,255,255,200)") : QStringLiteral("rgba(255,255,255,20)");
    setStyleSheet(QStringLiteral("#recorderSettingsSection { background: %1; border-radius: 6px; }").arg(sectionFill));

    observe(model, &RecordModel::cameraEnabled, &RecordModel::cameraEnabledChanged, this, [this](bool on) {
        const QSignalBlocker block(m_cameraSwitch);
        m_cameraSwitch->setChecked(on);
    });
    observe(model, &RecordModel::microphoneEnabled, &RecordModel::microphoneEnabledChanged, this, [this](bool on) {
        const QSignalBlocker block(m_microphoneSwitch);
        m_microphoneSwitch->setChecked(on);
    });
    const auto cameras = [this] {
        fillChooser(m_cameraChooser, m_model->videoDevices(), m_model->selectedVideoDevice());
    };
    const auto microphones = [this] {
        fillChooser(m_microphoneChooser, m_model->audioDevices(), m_model->selectedAudioDevice());
    };
    connect(model, &RecordModel::videoDevicesChanged, this, cameras);
    connect(model, &RecordModel::selectedVideoDeviceChanged, this, cameras);
    connect(model, &RecordModel::audioDevicesChanged, this, microphones);
    connect(model, &RecordModel::selectedAudioDeviceChanged, this, microphones);
    cameras();
    microphones();
}

void RecorderSettings::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Fresh lists while the panel is open; they arrive a moment later.
    if (m_model) {
        m_model->updateVideoDevices();
        m_model->updateAudioDevices();
    }
    // Where the controls stand is said once the panel is painted, that is on the screen
    // and taking clicks.
    m_controlsReported = false;
}

void RecorderSettings::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    if (m_controlsReported)
        return;
    m_controlsReported = true;
    QTimer::singleShot(0, this, [this] {
        if (!diagnostics::enabled() || !isVisible())
            return;
        const auto frame = [](const QWidget *w) {
            const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
            return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        diagnostics::print(diagnostics::recorderSettingsControls(frame(m_cameraSwitch), frame(m_cameraChooser),
                                                                 frame(m_microphoneSwitch),
                                                                 frame(m_microphoneChooser)));
    });
}

void RecorderSettings::fillChooser(QComboBox *chooser, const QList<CaptureDevice> &devices,
                                   const std::optional<CaptureDevice> &selected) {
    const QSignalBlocker block(chooser);
    chooser->clear();
    QStringList names;
    for (const CaptureDevice &device : devices)
        if (!names.contains(device.name))
            names << device.name;
    chooser->addItems(names);
    // A chosen device that has gone from the list shows no choice.
    chooser->setCurrentIndex(selected ? names.indexOf(selected->name) : -1);
    if (diagnostics::enabled())
        diagnostics::print(
            diagnostics::recorderDevices(chooser == m_cameraChooser, names, selected ? selected->name : QString()));
}

void RecorderSettings::choose(bool camera, const QString &name) {
    if (!m_model)
        return;
    const auto current = camera ? m_model->selectedVideoDevice() : m_model->selectedAudioDevice();
    if (current && current->name == name)
        return;
    const auto device = deviceNamed(camera ? m_model->videoDevices() : m_model->audioDevices(), name);
    if (!device)
        return;
    // Written on the next turn, never from inside the chooser's own change.
    QPointer<RecordModel> model = m_model;
    QTimer::singleShot(0, model, [model, camera, device = *device] {
        if (!model)
            return;
        if (camera)
            model->setSelectedVideoDevice(device);
        else
            model->setSelectedAudioDevice(device);
    });
}

void RecorderSettings::switchChanged(bool camera, bool on) {
    if (!m_model)
        return;
    if (camera) {
        m_model->setCameraEnabled(on);
        Q_EMIT cameraSwitched(on);
    } else {
        m_model->setMicrophoneEnabled(on);
        Q_EMIT microphoneSwitched(on);
    }
}

} // namespace qn
