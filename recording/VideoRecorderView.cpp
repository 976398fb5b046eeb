#include "recording/VideoRecorderView.h"

#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SoundsCore.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/EditorIcons.h"
#include "editor_ui/MVPopover.h"
#include "editor_ui/PanelBackground.h"
#include "platform/Diagnostics.h"
#include "recording/ToolsPaletteRecorder.h"
#include "recording/VideoRecorderCore.h"
#include "recording/VoiceIndicator.h"
#include "uikit/Color.h"
#include "uikit/MorvaneButton.h"
#include "uikit/Typography.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace qn {

namespace {
QColor faded(QColor c, qreal opacity) {
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}

// Whole recorded seconds; a time that is not a finite, positive number reads as none.
long long wholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    if (seconds > 9.0e15)
        return 9'000'000'000'000'000LL;
    return static_cast<long long>(std::trunc(seconds));
}

// Layout of the bar, in its own coordinates.
constexpr QRectF kCard(4, 4, 162, 175);
constexpr qreal kGraphicWidth = 151.11;
constexpr qreal kGraphicHeight = 61.36;
constexpr int kButtonRowY = 251;
constexpr int kDotsX = 11;

QString frameName(const char *stem, int frame) {
    const int n = frame == 1 ? 1 : frame == 2 ? 2 : 3;
    return QStringLiteral("%1-%2@recorder").arg(QLatin1String(stem)).arg(n);
}

QString rectText(const QWidget *w) {
    if (!w || !w->isVisible())
        return QStringLiteral("none");
    const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString arrowName(MVArrowDirection d) {
    switch (d) {
    case MVArrowDirection::left: return QStringLiteral("left");
    case MVArrowDirection::right: return QStringLiteral("right");
    case MVArrowDirection::up: return QStringLiteral("up");
    case MVArrowDirection::down: return QStringLiteral("down");
    case MVArrowDirection::upLeft: return QStringLiteral("upLeft");
    case MVArrowDirection::upRight: return QStringLiteral("upRight");
    case MVArrowDirection::undefined: break;
    }
    return QStringLiteral("none");
}

const char *stateName(RecorderState s) {
    switch (s) {
    case RecorderState::Idle: return "idle";
    case RecorderState::Recording: return "recording";
    case RecorderState::Paused: return "paused";
    }
    return "idle";
}
} // namespace

// ---------------------------------------------------------------- pure look

QString VideoRecorderView::timeText(double seconds) {
    const long long whole = wholeSeconds(seconds);
    const long long minutes = (whole % 3600) / 60;
    const long long secs = whole % 60;
    return QString::asprintf("%02lld:%02lld", minutes, secs);
}

QString VideoRecorderView::hourBadgeText(double seconds) {
    return QString::asprintf("%lldh", wholeSeconds(seconds) / 3600);
}

QString VideoRecorderView::recordTitle(bool isRecording, bool isPaused) {
    if (isPaused)
        return QStringLiteral("Resume");
    if (isRecording)
        return QStringLiteral("Stop / Pause");
    return QStringLiteral("Record Video");
}

QColor VideoRecorderView::stateColor(RecorderState state, const QColor &paused, const QString &recordingHex,
                                     const QColor &idle) {
    switch (state) {
    case RecorderState::Paused: return paused;
    case RecorderState::Recording: return Color::hex(recordingHex, 1);
    case RecorderState::Idle: return idle;
    }
    return idle;
}

QColor VideoRecorderView::cardColor(RecorderState state) {
    return stateColor(state, Color::Gray::hexB7B7B7(), QStringLiteral("#6A7C59"), Color::Gray::hex282828());
}

QColor VideoRecorderView::cardInk(RecorderState state) {
    return stateColor(state, Color::Gray::hex505050(), QStringLiteral("#1E2D0B"), Color::Gray::hex505050());
}

QColor VideoRecorderView::timeInk(RecorderState state) {
    // 4.4:1 on the idle card: large text needs 3:1.
    return state == RecorderState::Idle ? Color::Gray::hex8D8D8D() : cardInk(state);
}

VideoRecorderView::CardLayout VideoRecorderView::cardLayout() {
    CardLayout l;
    l.card = kCard;
    // The time is raised 6 into the card's top edge; the badge sits 57 down; the
    // record graphic is drawn 20 up, over the header's lower part.
    l.time = QRectF(kCard.left(), kCard.top() - 6, kCard.width(), 83);
    l.badge = QRectF(kCard.center().x() - 13, kCard.top() + 57, 26, 26);
    l.graphic = QRectF(kCard.center().x() - kGraphicWidth / 2, kCard.top() + 64, kGraphicWidth, kGraphicHeight);
    l.features = QRectF(kCard.center().x() - (5 * 16 + 4 * 16) / 2.0, kCard.bottom() - 10 - 16, 5 * 16 + 4 * 16, 16);
    l.meter = QRectF(kCard.left(), l.features.top() - 5 - VoiceIndicator::kTickHeight, kCard.width(),
                     VoiceIndicator::kTickHeight);
    return l;
}

QColor VideoRecorderView::featureIconColor(RecorderState state, bool active) {
    switch (state) {
    case RecorderState::Paused: return faded(Color::Gray::hex616161(), active ? 1.0 : 0.2);
    case RecorderState::Recording: return Color::hex(QStringLiteral("#1E2D0B"), active ? 1.0 : 0.2);
    case RecorderState::Idle: return active ? Color::hex(QStringLiteral("#609AAC"), 1) : Color::Gray::hex616161();
    }
    return Color::Gray::hex616161();
}

QColor VideoRecorderView::schemeGrey(ColorScheme scheme) {
    return scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexB7B7B7();
}

std::pair<QString, QColor> VideoRecorderView::muteButtonImage(const QString &device, bool enabled, bool muted,
                                                              ColorScheme scheme) {
    if (!enabled)
        return {device + QStringLiteral("-mute@recorder"), schemeGrey(scheme)};
    if (muted)
        return {device + QStringLiteral("-mute@recorder"), Color::Base::hexD70202()};
    return {device + QStringLiteral("@recorder"), schemeGrey(scheme)};
}

std::pair<int, double> VideoRecorderView::animationStep(RecorderState state, int frame, double opacity) {
    switch (state) {
    case RecorderState::Paused: return {3, opacity == 1.0 ? 0.2 : 1.0};
    case RecorderState::Recording: return {frame == 1 ? 2 : 1, 1.0};
    case RecorderState::Idle: return {1, 1.0};
    }
    return {1, 1.0};
}

// ---------------------------------------------------------------- the bar

VideoRecorderView::Recorder VideoRecorderView::Recorder::shared() {
    Recorder r;
    r.startRecording = [] { VideoRecorderCore::startRecording(); };
    r.pause = [] { VideoRecorderCore::shared().pause(); };
    r.playStartSound = [] {
        if (!Models::shared().settingsModel()->muted())
            SoundsCore::playStartVideoSound();
    };
    r.startCameraSession = [] {
        if (const auto error = VideoRecorderCore::shared().startCameraSession()) {
            diagnostics::report(diagnostics::failure(videoRecordingErrorMessage(*error)));
            return false;
        }
        return true;
    };
    r.startMicrophoneSession = [] { return !VideoRecorderCore::shared().startMicrophoneSession().has_value(); };
    r.stopMicrophoneSession = [] { VideoRecorderCore::shared().stopMicrophoneSession(); };
    r.stopCameraSession = [] { VideoRecorderCore::shared().stopCameraSession(); };
    return r;
}

VideoRecorderView::VideoRecorderView(RecordModel *model, SettingsModel *settings, Recorder recorder, QWidget *parent)
    : QWidget(parent), m_model(model), m_recorder(std::move(recorder)),
      m_appearance(settings ? settings->appearance() : Appearance::None) {
    setObjectName(QStringLiteral("videoRecorderView"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_TranslucentBackground);

    const ColorScheme scheme = effectiveColorScheme();
    m_recordButton = new MorvaneButton(MorvaneButtonType::Secondary, scheme, this);
    m_recordButton->setObjectName(QStringLiteral("recordButton"));
    m_recordButton->setTextStyle(TextStyle::buttonsAndForms(std::nullopt, 1));
    m_recordButton->setGeometry(12, int(kCard.bottom()) + 12, 146, 48);
    connect(m_recordButton, &QAbstractButton::clicked, this, &VideoRecorderView::recordAction);

    const auto iconButton = [this](const QString &name, QRect frame) {
        auto *b = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
        b->setObjectName(name);
        b->setGeometry(frame);
        b->setCursor(Qt::ArrowCursor);
        return b;
    };
    m_drawingGroup = new QWidget(this);
    m_drawingGroup->setObjectName(QStringLiteral("drawingGroup"));
    m_drawingGroup->setGeometry(kDotsX, kButtonRowY, 40, 36);
    m_drawingGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pencil = iconButton(QStringLiteral("pencilButton"), QRect(kDotsX + 4, kButtonRowY, 36, 36));
    m_pointer = iconButton(QStringLiteral("pointerButton"), QRect(kDotsX + 40, kButtonRowY, 36, 36));
    m_microphone = iconButton(QStringLiteral("microphoneButton"), QRect(kDotsX + 76, kButtonRowY, 36, 36));
    m_camera = iconButton(QStringLiteral("cameraButton"), QRect(kDotsX + 112, kButtonRowY, 36, 36));
    connect(m_pencil, &QAbstractButton::clicked, this, [this] { setDrawingMode(true); });
    connect(m_pointer, &QAbstractButton::clicked, this, [this] { setDrawingMode(false); });
    connect(m_microphone, &QAbstractButton::clicked, this, [this] { toggleMute(MuteField::Microphone); });
    connect(m_camera, &QAbstractButton::clicked, this, [this] { toggleMute(MuteField::Camera); });
    connect(m_pencil, &DrawViewButton::hoverChanged, this, &VideoRecorderView::openToolsOnHover);

    m_meter = new VoiceIndicator(model, this);
    m_meter->setGeometry(cardLayout().meter.toRect());

    auto *palette = new ToolsPaletteRecorder(model);
    m_tools = new MVPopoverModyfier(m_drawingGroup, Qt::LeftEdge, palette);
    connect(m_tools, &MVPopoverModyfier::visibleChanged, this, [this](bool visible) {
        m_showTools = visible;
        Q_EMIT lookChanged();
    });

    const auto changed = [this] { refresh(); };
    // The time changes with every frame written; only a new text is repainted.
    connect(model, &RecordModel::recordTimeChanged, this, [this] {
        if (!m_model)
            return;
        const QString shown = timeText(m_model->recordTime()) + hourBadgeText(m_model->recordTime());
        if (shown == m_shownTime)
            return;
        m_shownTime = shown;
        update(kCard.toAlignedRect());
        printState();
    });
    connect(model, &RecordModel::isRecordingChanged, this, changed);
    connect(model, &RecordModel::isPausedChanged, this, changed);
    connect(model, &RecordModel::cameraEnabledChanged, this, changed);
    connect(model, &RecordModel::muteCameraChanged, this, changed);
    connect(model, &RecordModel::microphoneEnabledChanged, this, changed);
    connect(model, &RecordModel::muteMicrophoneChanged, this, changed);
    connect(model, &RecordModel::drawingModeChanged, this, changed);

    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &VideoRecorderView::animationTick);
    refresh();
}

VideoRecorderView::~VideoRecorderView() {
    // The bar can go without being hidden first (its panel deleted): the capture
    // sessions it started must still stop.
    if (m_devicesStarted)
        stopCaptureDevices();
}

QWidget *VideoRecorderView::toolsPalette() const { return m_tools ? m_tools->popover()->content() : nullptr; }

ColorScheme VideoRecorderView::effectiveColorScheme() const {
    switch (m_appearance) {
    case Appearance::Light: return ColorScheme::Light;
    case Appearance::Dark: return ColorScheme::Dark;
    case Appearance::None: break;
    }
    return environmentColorScheme(this);
}

RecorderState VideoRecorderView::state() const {
    return m_model ? recorderState(m_model->isRecording(), m_model->isPaused()) : RecorderState::Idle;
}

void VideoRecorderView::refresh() {
    if (!m_model)
        return;
    RecordModel &m = *m_model;
    const RecorderState s = state();
    const ColorScheme scheme = effectiveColorScheme();
    const QColor grey = schemeGrey(scheme);
    m_recordButton->setColorScheme(scheme);
    m_recordButton->setText(recordTitle(m.isRecording(), m.isPaused()));

    const auto iconPainter = [](const QString &name, const QColor &color) {
        return [name, color](QPainter &p, const QRectF &r, const QColor &) {
            paintEditorIcon(p, name, QRectF(r.center() - QPointF(12, 12), QSizeF(24, 24)), color);
        };
    };
    m_pencil->setEnabled(m.isRecording());
    m_pencil->setActive(m.drawingMode());
    m_pencil->setContentPainter(iconPainter(QStringLiteral("pencil@recorder"), grey));
    m_pointer->setActive(!m.drawingMode());
    m_pointer->setContentPainter(iconPainter(QStringLiteral("pointer@recorder"), grey));
    const auto mic = muteButtonImage(QStringLiteral("microphone"), m.microphoneEnabled(), m.muteMicrophone(), scheme);
    m_microphone->setEnabled(m.microphoneEnabled());
    m_microphone->setContentPainter(iconPainter(mic.first, mic.second));
    const auto cam = muteButtonImage(QStringLiteral("camera"), m.cameraEnabled(), m.muteCamera(), scheme);
    m_camera->setEnabled(m.cameraEnabled());
    m_camera->setContentPainter(iconPainter(cam.first, cam.second));
    for (QWidget *w : {static_cast<QWidget *>(m_pencil), static_cast<QWidget *>(m_pointer),
                       static_cast<QWidget *>(m_microphone), static_cast<QWidget *>(m_camera)})
        setPreferredColorScheme(w, scheme);

    QPalette meterPalette = m_meter->palette();
    meterPalette.setColor(QPalette::WindowText, cardInk(s));
    m_meter->setPalette(meterPalette);
    update();

    m_shownTime = timeText(m.recordTime()) + hourBadgeText(m.recordTime());
    printState();
    Q_EMIT lookChanged();
}

void VideoRecorderView::printState() {
    if (!diagnostics::enabled() || !m_model)
        return;
    const RecordModel &m = *m_model;
    const ColorScheme scheme = effectiveColorScheme();
    const auto mic = muteButtonImage(QStringLiteral("microphone"), m.microphoneEnabled(), m.muteMicrophone(), scheme);
    const auto cam = muteButtonImage(QStringLiteral("camera"), m.cameraEnabled(), m.muteCamera(), scheme);
    // Said only when it changes: the state is refreshed far more often than it differs.
    const QString line =
        diagnostics::recorderBar(QLatin1String(stateName(state())), m_recordButton->text(), timeText(m.recordTime()),
                                 hourBadgeText(m.recordTime()), m.drawingMode(),
                                 QStringLiteral("%1/%2").arg(mic.first, mic.second.name()),
                                 QStringLiteral("%1/%2").arg(cam.first, cam.second.name()),
                                 scheme == ColorScheme::Light);
    if (line != m_lastState) {
        m_lastState = line;
        diagnostics::print(line);
    }
    // Said once the bar has been painted, so that its controls are on the screen (and
    // take clicks) when the line appears.
    if (isVisible() && m_painted) {
        const QString controls =
            diagnostics::recorderControls(rectText(this), rectText(m_recordButton), rectText(m_pencil),
                                          rectText(m_pointer), rectText(m_microphone), rectText(m_camera));
        if (controls != m_lastControls) {
            m_lastControls = controls;
            diagnostics::print(controls);
        }
    }
}

// ---------------------------------------------------------------- actions

void VideoRecorderView::recordAction() {
    if (!m_model)
        return;
    const bool recording = m_model->isRecording();
    const bool paused = m_model->isPaused();
    if (recording && !paused) {
        m_recorder.pause();
    } else if (recording && paused) {
        m_recorder.playStartSound();
        m_model->setIsPaused(false);
    } else {
        Q_EMIT recordingAboutToStart();
        m_recorder.startRecording();
    }
}

void VideoRecorderView::setDrawingMode(bool on) {
    if (m_model)
        m_model->setDrawingMode(on);
}

void VideoRecorderView::toggleMute(MuteField field) {
    if (!m_model)
        return;
    if (field == MuteField::Camera)
        m_model->setMuteCamera(!m_model->muteCamera());
    else
        m_model->setMuteMicrophone(!m_model->muteMicrophone());
}

void VideoRecorderView::openToolsOnHover(bool) {
    if (!m_model || !m_model->isRecording())
        return;
    const bool opening = !m_tools->isVisible();
    m_showTools = true;
    m_tools->setVisible(true);
    Q_EMIT lookChanged();
    if (!opening || !diagnostics::enabled())
        return;
    // Where the palette's buttons stand once it has opened, for tests that click them.
    QTimer::singleShot(0, this, [this] {
        auto *palette = qobject_cast<ToolsPaletteRecorder *>(toolsPalette());
        if (!palette || !palette->isVisible())
            return;
        QStringList frames;
        for (Tool tool : ToolsPaletteRecorder::tools())
            frames << toolRawValue(tool) + QLatin1Char('=') + rectText(palette->button(tool));
        diagnostics::print(diagnostics::recorderTools(frames));
        const MVPopover *popover = m_tools->popover();
        diagnostics::print(
            diagnostics::recorderToolsPanel(rectText(popover->panel()), arrowName(popover->arrowDirection())));
    });
}

void VideoRecorderView::setRecordedArea(const QRect &area) { m_tools->popover()->setKeptOut(area); }

QRect VideoRecorderView::recordedArea() const { return m_tools->popover()->keptOut(); }

void VideoRecorderView::animationTick() {
    const auto [frame, opacity] = animationStep(state(), m_recordingFrame, m_pausedOpacity);
    m_recordingFrame = frame;
    m_pausedOpacity = opacity;
    update(kCard.toAlignedRect());
}

void VideoRecorderView::startCaptureDevices() {
    if (!m_model)
        return;
    m_devicesStarted = true;
    if (m_model->cameraEnabled())
        m_recorder.startCameraSession();
    if (m_model->microphoneEnabled())
        m_recorder.startMicrophoneSession();
}

void VideoRecorderView::stopCaptureDevices() {
    m_devicesStarted = false;
    m_recorder.stopMicrophoneSession();
    m_recorder.stopCameraSession();
    if (m_model)
        m_model->setCameraStreaming(false);
}

void VideoRecorderView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_devicesStarted)
        startCaptureDevices();
    m_ticker.start();
    // The panel holding the bar is moved out of a recorded area as a recording
    // starts: the controls are said again where they now stand.
    if (QWidget *panel = window(); panel != this)
        panel->installEventFilter(this);
    refresh();
}

bool VideoRecorderView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == window() && event->type() == QEvent::Move)
        printState();
    return QWidget::eventFilter(watched, event);
}

void VideoRecorderView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_painted = false;
    m_lastControls.clear();
    // The animation and the capture sessions end with the bar.
    m_ticker.stop();
    m_tools->setVisible(false);
    if (m_devicesStarted)
        stopCaptureDevices();
}

// ---------------------------------------------------------------- painting

void VideoRecorderView::paintEvent(QPaintEvent *) {
    if (!m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, &VideoRecorderView::printState);
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), 16, 16);
    const ColorScheme scheme = effectiveColorScheme();
    if (scheme == ColorScheme::Light)
        paintPanelBackground(p, outline, BlendingMode::BehindWindow, false, this);
    else
        p.fillPath(outline, Color::Gray::hex282828());
    p.setClipPath(outline);
    paintCard(p, kCard);

    // The dots beside the pencil: the drawing tools open from there.
    const qreal dotsOpacity = (m_model && m_model->isRecording()) ? 1.0 : 0.3;
    p.setOpacity(dotsOpacity);
    paintEditorIcon(p, QStringLiteral("dots@recorder"), QRectF(kDotsX, kButtonRowY + 14, 2, 8), schemeGrey(scheme));
    p.setOpacity(1);
}

void VideoRecorderView::paintCard(QPainter &p, const QRectF &card) {
    if (!m_model)
        return;
    const RecordModel &m = *m_model;
    const RecorderState s = state();
    const QColor fill = cardColor(s);
    const QColor ink = cardInk(s);

    QPainterPath shape;
    shape.addRoundedRect(card, 12, 12);
    p.fillPath(shape, fill);
    // A soft inner edge: the rim darkens a little towards the top.
    p.save();
    p.setClipPath(shape);
    p.setPen(QPen(faded(Qt::black, 0.14), 1));
    p.drawPath(shape.translated(0, 1));
    p.setPen(QPen(fill, 1));
    p.drawPath(shape);
    p.restore();

    // Recorded time, large and thin, raised into the card's top edge.
    const double seconds = m.recordTime();
    QFont timeFont(kitFontFamily());
    timeFont.setPixelSize(64);
    timeFont.setWeight(QFont::Thin);
    timeFont.setLetterSpacing(QFont::AbsoluteSpacing, -1.5);
    // Inter's digits are wider than the bar was drawn for: narrower spacing first,
    // then a smaller size, so the time always fits the card.
    const QString time = timeText(seconds);
    const qreal room = card.width() - 8;
    if (QFontMetricsF(timeFont).horizontalAdvance(time) > room) {
        timeFont.setLetterSpacing(QFont::AbsoluteSpacing, -4);
        const qreal wide = QFontMetricsF(timeFont).horizontalAdvance(time);
        if (wide > room)
            timeFont.setPixelSize(int(64 * room / wide));
    }
    const CardLayout layout = cardLayout();
    p.setFont(timeFont);
    p.setPen(timeInk(s));
    p.drawText(layout.time, Qt::AlignHCenter | Qt::AlignTop, time);

    // Hour badge.
    const QRectF badge = layout.badge;
    p.setPen(Qt::NoPen);
    p.setBrush(faded(ink, m.isRecording() ? 1.0 : 0.2));
    p.drawEllipse(badge);
    drawStyledText(p, badge, Qt::AlignCenter, hourBadgeText(seconds), TextStyle::buttonsAndForms(std::nullopt, 1),
                   fill);

    // Record graphic.
    const QRectF graphic = layout.graphic;
    p.setOpacity(m_pausedOpacity);
    paintEditorIcon(p, frameName("lines", m_recordingFrame), graphic, ink);
    paintEditorIcon(p, frameName("rec", m_recordingFrame), graphic, QColor());
    paintEditorIcon(p, QStringLiteral("stripe@recorder"), graphic, ink);
    p.setOpacity(s == RecorderState::Paused ? 1.0 : 0.2);
    paintEditorIcon(p, QStringLiteral("pause@recorder"),
                    QRectF(graphic.center().x() - 12, graphic.bottom() - 6 - 28, 24, 28), ink);
    p.setOpacity(1);

    // Feature icons.
    const QList<std::pair<const char *, bool>> features{{"clicks", false},
                                                        {"camera", m.cameraEnabled()},
                                                        {"microphone", m.microphoneEnabled()},
                                                        {"keyboard", false},
                                                        {"sound", false}};
    qreal x = layout.features.left();
    const qreal y = layout.features.top();
    for (const auto &[name, active] : features) {
        paintEditorIcon(p, QLatin1String(name) + QStringLiteral("@recorder"), QRectF(x, y, 16, 16),
                        featureIconColor(s, active));
        x += 32;
    }
}

} // namespace qn
