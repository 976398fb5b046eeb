#include "capture/StreamWindowHost.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/CropWindow.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "capture/OverlayChrome.h"
#include "capture/RecordingPassThrough.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/DrawPanels.h"
#include "platform/Diagnostics.h"
#include "platform/InputShape.h"
#include "recording/RecorderSettings.h"
#include "recording/StreamView.h"
#include "recording/VideoRecorderCore.h"
#include "recording/VideoRecorderOptions.h"

#include <QApplication>
#include <QScreen>
#include <QWindow>

namespace qn {

namespace {
DrawViewModel &editor() { return *Models::shared().drawViewModel(); }
RecordModel &record() { return *Models::shared().recordModel(); }

QString rectText(const QRect &r) {
    if (r.isEmpty())
        return QStringLiteral("none");
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

ColorScheme overlayScheme(const QWidget *view) {
    switch (Models::shared().settingsModel()->appearance()) {
    case Appearance::Light: return ColorScheme::Light;
    case Appearance::Dark: return ColorScheme::Dark;
    case Appearance::None: break;
    }
    return environmentColorScheme(view);
}

// The panel's switches start and stop the shared recorder's capture sessions.
RecorderSettings *makeRecorderSettings() {
    auto *settings = new RecorderSettings(&record(), Models::shared().settingsModel());
    const auto startCamera = [] {
        if (const auto error = VideoRecorderCore::shared().startCameraSession())
            diagnostics::report(diagnostics::failure(videoRecordingErrorMessage(*error)));
    };
    QObject::connect(settings, &RecorderSettings::cameraSwitched, settings, [startCamera](bool on) {
        if (on) {
            startCamera();
            return;
        }
        VideoRecorderCore::shared().stopCameraSession();
        record().setCameraStreaming(false);
    });
    QObject::connect(settings, &RecorderSettings::microphoneSwitched, settings, [](bool on) {
        if (on)
            (void)VideoRecorderCore::shared().startMicrophoneSession();
        else
            VideoRecorderCore::shared().stopMicrophoneSession();
    });
    return settings;
}
} // namespace

StreamWindowHost::StreamWindowHost(DrawCore &core, QObject *parent) : QObject(parent), m_core(core) {
    DrawViewModel *m = &editor();
    RecordModel *r = &record();
    connect(&core, &DrawCore::overlayOpened, this, &StreamWindowHost::sync);
    connect(&core, &DrawCore::overlayClosed, this, &StreamWindowHost::sync);
    connect(m, &DrawViewModel::toolChanged, this, &StreamWindowHost::sync);
    connect(m, &DrawViewModel::croppedAreaChanged, this, &StreamWindowHost::sync);
    connect(m, &DrawViewModel::cropScreenChanged, this, &StreamWindowHost::sync);
    connect(r, &RecordModel::isRecordingChanged, this, &StreamWindowHost::sync);
    connect(r, &RecordModel::isPausedChanged, this, &StreamWindowHost::sync);
    // Started or failed to: the card follows the recording state again.
    const auto settled = [this] {
        m_starting = false;
        sync();
    };
    connect(r, &RecordModel::isRecordingChanged, this, settled);
    connect(&VideoRecorderCore::shared(), &VideoRecorderCore::recordingFailed, this, settled);

    // While a recording runs unpaused the overlay lets the mouse through to the
    // windows beneath.
    QPointer<StreamWindowHost> self(this);
    new RecordingPassThrough(
        r,
        [&c = core]() -> QWidget * {
            QScreen *screen = editor().cropScreen();
            return c.isOpen() && screen ? c.windows().value(screen) : nullptr;
        },
        [self](QWidget *overlay, bool ignoresMouse) {
            if (!overlay)
                return;
            // An input shape of its own, not Qt's flag: a window flagged transparent
            // for input loses its keys too, and the overlay must keep Esc.
            setInputPassThrough(overlay, ignoresMouse);
            diagnostics::print(diagnostics::overlayMouse(ignoresMouse));
            if (self)
                self->raiseAboveOverlay();
        },
        this);
    // Which device each capture session runs on, for tests and diagnostics.
    connect(r, &RecordModel::microphoneStreamingChanged, this, [r] {
        const auto device = r->selectedAudioDevice();
        diagnostics::print(diagnostics::microphoneSession(r->microphoneStreaming(), device ? device->name : QString()));
    });
    connect(r, &RecordModel::cameraStreamingChanged, this, [r] {
        const auto device = r->selectedVideoDevice();
        diagnostics::print(diagnostics::cameraSession(r->cameraStreaming(), device ? device->name : QString()));
    });
    connect(&VideoRecorderCore::shared(), &VideoRecorderCore::cameraFrameChanged, this, [this](const QImage &frame) {
        if (m_stream)
            m_stream->setCameraFrame(frame);
    });
}

QRegion StreamWindowHost::overlayMask(const QRect &window, const QRect &hole, const QRect &card,
                                      const QList<QRect> &chrome) {
    if (hole.isEmpty())
        return {};
    QRegion shape = QRegion(window).subtracted(QRegion(hole));
    if (!card.isEmpty())
        shape += card;
    for (const QRect &r : chrome)
        shape += r;
    // Qt takes an empty mask for "no mask", which would put the whole overlay back
    // over a crop area that fills the screen: the movie would then hold the overlay's
    // still picture, and the stream would see no change to read. A region beside the
    // window is still a mask and shows nothing.
    if (shape.isEmpty())
        shape = QRegion(window.left() - 1, window.top() - 1, 1, 1);
    return shape;
}

void StreamWindowHost::prepareForRecording() {
    m_starting = true;
    sync();
}

StreamView *StreamWindowHost::streamView() const { return m_stream; }
QWidget *StreamWindowHost::optionsCard() const { return m_options; }

void StreamWindowHost::raiseAboveOverlay() {
    if (m_stream && m_stream->isVisible())
        m_stream->raise();
}

void StreamWindowHost::clear() {
    m_starting = false;
    if (m_masked) {
        m_masked->clearMask();
        setInputPassThrough(m_masked, false);
    }
    m_masked.clear();
    // Deleted later: this can run from inside one of their own signals.
    for (QWidget *w : {m_options.data(), static_cast<QWidget *>(m_stream.data())}) {
        if (w) {
            w->hide();
            w->deleteLater();
        }
    }
    m_options.clear();
    m_stream.clear();
    if (!m_hole.isEmpty())
        diagnostics::print(diagnostics::overlayHole(QStringLiteral("none"), QStringLiteral("none")));
    m_hole = QRect();
    m_shapeCard = QRect();
    m_screen.clear();
}

void StreamWindowHost::sync() {
    DrawCore &core = m_core;
    DrawViewModel &m = editor();
    QScreen *screen = m.cropScreen();
    CropWindow *window = core.isOpen() && screen ? core.windows().value(screen) : nullptr;
    if (!window || m.tool() != Tool::Video) {
        clear();
        return;
    }
    if (m_masked && m_masked != window)
        clear();

    if (!m_stream || m_screen != screen) {
        // Only one "Stream window" ever exists.
        if (m_stream) {
            m_stream->hide();
            m_stream->deleteLater();
        }
        m_stream = new StreamView(screen, &record(), &m);
        // The strokes drawn over the recording become the overlay's stroke records.
        connect(m_stream, &StreamView::strokeChanged, &core, &DrawCore::recordingDrawChanged);
        connect(m_stream, &StreamView::strokeEnded, &core, &DrawCore::recordingDrawEnded);
        m_screen = screen;
        diagnostics::print(diagnostics::streamWindow(rectText(screen->geometry())));
    }

    const bool recording = record().isRecording();
    if (recording != m_recording) {
        m_recording = recording;
        // The overlay dims less while recording, everywhere at once.
        if (window->view())
            window->view()->update();
    }
    if (!recording && !m_starting && !m_options && window->view()) {
        auto *wrapper =
            new VideoRecorderOprionsWrapper(&m, overlayScheme(window->view()), makeRecorderSettings, window->view());
        connect(wrapper, &VideoRecorderOprionsWrapper::placed, this, &StreamWindowHost::sync);
        m_options = wrapper;
        wrapper->show();
        wrapper->raise();
    } else if ((recording || m_starting) && m_options) {
        m_options->hide();
        m_options->deleteLater();
        m_options.clear();
    }

    // The hole: the crop rectangle shows the live desktop and passes clicks to it,
    // except where the options card stands, and where the action bar or the tool
    // column had to be placed inside a large crop area: they stay usable whenever
    // nothing is being recorded (while a recording runs the bar is see-through and
    // the column is gone, so the whole area is recorded).
    const QRect hole = m.hasCroppedArea() ? m.croppedArea().toAlignedRect() : QRect();
    QRect card = (m_options && m_options->isVisible()) ? m_options->geometry() : QRect();
    QList<QRect> chrome;
    if (OverlayChrome *overlayChrome = window->view() ? window->view()->findChild<OverlayChrome *>() : nullptr) {
        if (DrawPanels *panels = overlayChrome->panels()) {
            if (m_laidOut != panels) {
                m_laidOut = panels;
                connect(panels, &DrawPanels::laidOut, this, &StreamWindowHost::sync, Qt::UniqueConnection);
            }
            const bool running = (record().isRecording() && !record().isPaused()) || m_starting;
            for (QWidget *bar :
                 {static_cast<QWidget *>(panels->bottomMenu()), static_cast<QWidget *>(panels->controlsMenu())})
                if (bar && bar->isVisible() && !running && bar->geometry().intersects(hole))
                    chrome.append(bar->geometry());
        }
    }
    if (hole != m_hole || card != m_shapeCard || chrome != m_shapeChrome || m_masked != window) {
        m_hole = hole;
        m_shapeCard = card;
        m_shapeChrome = chrome;
        m_masked = window;
        const QRegion mask = overlayMask(window->rect(), hole, card, chrome);
        if (mask.isEmpty())
            window->clearMask();
        else
            window->setMask(mask);
        const QPoint origin = screen->geometry().topLeft();
        diagnostics::print(
            diagnostics::overlayHole(rectText(hole.translated(origin)), rectText(card.translated(origin))));
        raiseAboveOverlay();
    }
}

} // namespace qn
