#include "capture/OverlayChrome.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ColorsPalette.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/DrawPanels.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/PointCommentPanel.h"
#include "platform/Diagnostics.h"
#include "platform/Observe.h"
#include "uikit/ColorScheme.h"

#include <QScreen>
#include <QStringList>

namespace qn {

namespace {
DrawViewModel &model() { return *Models::shared().drawViewModel(); }

// A widget's frame in global coordinates, `origin` being its parent's corner.
QString rectText(const QWidget *w, QPoint origin) {
    if (!w || !w->isVisible())
        return QStringLiteral("none");
    const QRect r = w->geometry().translated(origin);
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

OverlayChrome::OverlayChrome(DrawCore &core, DrawView *view)
    : QObject(view), m_core(core), m_view(view), m_state(new ChromeState(this)) {
    DrawViewModel *m = &model();
    RecordModel *record = Models::shared().recordModel();

    // The state flows one way, from the models into the chrome; only the cursor
    // tracking goes back.
    observe(m, &DrawViewModel::tool, &DrawViewModel::toolChanged, this, [this](Tool t) { m_state->setTool(t); });
    observe(m, &DrawViewModel::quickTool, &DrawViewModel::quickToolChanged, this,
            [this](Tool t) { m_state->setQuickTool(t); });
    observe(m, &DrawViewModel::color, &DrawViewModel::colorChanged, this,
            [this](const QNColor &c) { m_state->setColor(c); });
    observe(m, &DrawViewModel::canUndo, &DrawViewModel::canUndoChanged, this,
            [this](bool v) { m_state->setCanUndo(v); });
    observe(m, &DrawViewModel::canRedo, &DrawViewModel::canRedoChanged, this,
            [this](bool v) { m_state->setCanRedo(v); });
    observe(record, &RecordModel::isRecording, &RecordModel::isRecordingChanged, this,
            [this](bool v) { m_state->setIsRecording(v); });
    observe(record, &RecordModel::isPaused, &RecordModel::isPausedChanged, this,
            [this](bool v) { m_state->setIsPaused(v); });
    feedCropArea();
    connect(m, &DrawViewModel::croppedAreaChanged, this, &OverlayChrome::feedCropArea);
    connect(m, &DrawViewModel::cropScreenChanged, this, &OverlayChrome::feedCropArea);
    connect(m_state, &ChromeState::trackCursorChanged, this,
            [this] { model().setTrackCursor(m_state->trackCursor()); });

    m_panels = new DrawPanels(m_state, this, view, &Helper::bottomMenuPosition, &Helper::controlsMenuPosition);
    // The overlay's cross-hair stops at the bars: they are buttons, not canvas.
    m_panels->bottomMenu()->setCursor(Qt::ArrowCursor);
    m_panels->controlsMenu()->setCursor(Qt::ArrowCursor);
    connect(m_panels, &DrawPanels::laidOut, this, &OverlayChrome::reportPlacement);
    // Overlay windows are kept between captures: each capture starts with the cursor
    // tracked, whatever the last one ended with.
    connect(&m_core, &DrawCore::overlayOpened, this, [this] { m_state->setTrackCursor(true); });
    reportPlacement();

    // An open capture keeps the look it opened with; a changed preference shows in the next one.
    applyScheme();
    connect(&m_core, &DrawCore::overlayOpened, this, &OverlayChrome::applyScheme);
}

OverlayChrome::~OverlayChrome() {
    // The bars go with the view; a pointer resting on one of them must not leave
    // the next capture without cursor tracking.
    delete m_panels.data();
    model().setTrackCursor(true);
}

void OverlayChrome::feedCropArea() {
    // Only the crop screen's overlay shows the chrome; elsewhere it sees no crop.
    const bool here = m_view && m_view->isCropScreen();
    m_state->setCroppedArea(here ? model().croppedArea() : QRectF());
}

void OverlayChrome::applyScheme() {
    if (!m_panels || !m_view)
        return;
    ColorScheme scheme = environmentColorScheme(m_view);
    switch (Models::shared().settingsModel()->appearance()) {
    case Appearance::Light: scheme = ColorScheme::Light; break;
    case Appearance::Dark: scheme = ColorScheme::Dark; break;
    case Appearance::None: break;
    }
    setPreferredColorScheme(m_panels->bottomMenu(), scheme);
    setPreferredColorScheme(m_panels->controlsMenu(), scheme);
    m_view->comments()->setDark(scheme == ColorScheme::Dark);
}

void OverlayChrome::reportPlacement() {
    if (!diagnostics::enabled() || !m_view || !m_panels)
        return;
    const QPoint origin = m_view->mapToGlobal(QPoint(0, 0));
    BottomMenu *bar = m_panels->bottomMenu();
    ControlsMenu *column = m_panels->controlsMenu();
    const QString line = diagnostics::chromePlacement(rectText(bar, origin), rectText(column, origin));
    // Drags move the bars on every step; say only what changed.
    if (line == m_lastPlacement)
        return;
    m_lastPlacement = line;
    diagnostics::print(line);
    if (!bar->isVisible())
        return;

    // Where each control stands on the screen, for tests that click them.
    QStringList controls;
    const auto add = [&](const char *name, const QWidget *w) {
        if (w && w->isVisible())
            controls << QStringLiteral("%1=%2").arg(QLatin1String(name),
                                                    rectText(w, w->parentWidget()->mapToGlobal(QPoint(0, 0))));
    };
    using B = BottomMenu::Control;
    using C = ControlsMenu::Control;
    add("close", bar->button(B::Close));
    add("save", bar->button(B::SaveMac));
    add("copyText", bar->button(B::CopyText));
    add("copy", bar->button(B::Copy));
    add("upload", bar->button(B::Upload));
    add("pointer", column->button(C::Pointer));
    add("text", column->button(C::Text));
    add("pen", column->button(C::Pen));
    add("shapes", column->button(C::QuickeTools));
    add("blur", column->button(C::Blur));
    add("whiteboard", column->button(C::Whiteboard));
    add("color", column->colorButton());
    add("undo", column->button(C::Undo));
    add("redo", column->button(C::Redo));
    diagnostics::print(diagnostics::chromeControls(controls));
}

void OverlayChrome::requestClose(bool ask) { m_core.requestClose(ask); }
void OverlayChrome::saveImageAction() { m_core.saveImageAction(); }
void OverlayChrome::saveVideoAction() { m_core.saveVideoAction(); }
void OverlayChrome::copyAsTextAction() { m_core.copyAsTextAction(); }
void OverlayChrome::copyAction() { m_core.copyAction(); }
void OverlayChrome::uploadAction() { m_core.uploadAction(); }
void OverlayChrome::selectTool(Tool tool) { m_core.selectTool(tool); }
void OverlayChrome::undo() { m_core.undo(); }
void OverlayChrome::redo() { m_core.redo(); }
void OverlayChrome::toggleWhiteboard() { model().toggleWhiteboard(); }

QWidget *OverlayChrome::makeColorsPalette(QWidget *parent) {
    auto *palette = new ColorsPalette(model(), parent);
    palette->setObjectName(QStringLiteral("colorsPalette"));
    return palette;
}

} // namespace qn
