#include "editor_ui/DrawPanels.h"

#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ControlsMenu.h"

#include <QEvent>
#include <QWidget>

namespace qn {

namespace {
enum Bar { Bottom = 0, Side = 1 };
}

DrawPanels::DrawPanels(ChromeState *state, ChromeActions *actions, QWidget *host, Placement bottomMenuPosition,
                       Placement controlsMenuPosition)
    : QObject(host), m_state(state), m_host(host), m_bottomMenuPosition(std::move(bottomMenuPosition)),
      m_controlsMenuPosition(std::move(controlsMenuPosition)) {
    // A capture never starts with the cursor frozen by a bar of the last one.
    state->setTrackCursor(true);

    m_controlsMenu = new ControlsMenu(state, actions, Qt::AlignRight, host);
    m_bottomMenu = new BottomMenu(state, actions, Qt::AlignBottom, host);
    m_controlsMenu->hide();
    m_bottomMenu->hide();
    connect(m_bottomMenu, &BottomMenu::pointerInsideChanged, this, [this](bool in) { setInside(Bottom, in); });
    connect(m_controlsMenu, &ControlsMenu::pointerInsideChanged, this, [this](bool in) { setInside(Side, in); });

    connect(state, &ChromeState::croppedAreaChanged, this, &DrawPanels::layout);
    connect(state, &ChromeState::isRecordingChanged, this, &DrawPanels::layout);
    host->installEventFilter(this);
    layout();
}

DrawPanels::~DrawPanels() {
    delete m_controlsMenu.data();
    delete m_bottomMenu.data();
    if (m_inside[Bottom] || m_inside[Side])
        m_state->setTrackCursor(true);
}

BottomMenu *DrawPanels::bottomMenu() const { return m_bottomMenu; }
ControlsMenu *DrawPanels::controlsMenu() const { return m_controlsMenu; }

void DrawPanels::setInside(int bar, bool inside) {
    m_inside[bar] = inside;
    m_state->setTrackCursor(!inside);
}

void DrawPanels::layout() {
    if (!m_host || !m_bottomMenu || !m_controlsMenu)
        return;
    const QRectF crop = m_state->croppedArea();
    // Only the exact zero rectangle means "no crop area yet".
    const bool hasCrop = !(crop.x() == 0 && crop.y() == 0 && crop.width() == 0 && crop.height() == 0);
    const QRectF frame(QPointF(0, 0), QSizeF(m_host->size()));

    if (hasCrop && !m_state->isRecording()) {
        const QPointF p = m_controlsMenuPosition(crop, frame);
        m_controlsMenu->setHelpAligmnet(frame.right() > p.x() + kSideWidth + 270 ? Qt::AlignRight : Qt::AlignLeft);
        m_controlsMenu->move(p.toPoint());
        m_controlsMenu->show();
    } else {
        m_controlsMenu->hide();
    }

    if (hasCrop) {
        const QPointF q = m_bottomMenuPosition(crop, frame);
        m_bottomMenu->setHelpAligmnet(frame.bottom() > q.y() + kBottomHeight + 50 ? Qt::AlignBottom : Qt::AlignTop);
        m_bottomMenu->move(q.toPoint());
        m_bottomMenu->show();
        // Where they overlap, the action bar stands above the column.
        m_bottomMenu->raise();
    } else {
        m_bottomMenu->hide();
    }
    Q_EMIT laidOut();
}

bool DrawPanels::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_host && event->type() == QEvent::Resize)
        layout();
    return QObject::eventFilter(watched, event);
}

} // namespace qn
