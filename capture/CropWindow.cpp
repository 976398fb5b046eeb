#include "capture/CropWindow.h"

#include "annotation/DrawViewModel.h"
#include "app/Models.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "platform/OverlayInput.h"

#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

namespace qn {

namespace {
// X key codes of the keys the capture reacts to (the evdev positions of a US layout).
enum XKey : quint32 {
    kEsc = 9, kSpace = 65, kBackSpace = 22, kDelete = 119,
    kC = 54, kW = 25, kT = 28, kP = 33, kA = 38, kL = 46, kR = 27, kO = 32, kB = 56, kV = 55,
};
// X modifier masks; Num Lock (Mod2) is a state, not a modifier, and never blocks a key.
constexpr quint32 kNumLockMask = 16;
constexpr quint32 kModifierMask = 0xFF & ~kNumLockMask;
} // namespace

CropWindow::CropWindow(QScreen *screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_screen(screen) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(windowTitleText());
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setGeometry(screen->geometry());
    m_view = new DrawView(screen, this);
    m_view->setGeometry(rect());
    setWindowState(Qt::WindowFullScreen);
}

void CropWindow::takeFocus() {
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void CropWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_view->setGeometry(rect());
}

void CropWindow::keyPressEvent(QKeyEvent *event) {
    DrawCore &core = DrawCore::shared();
    DrawViewModel &model = *Models::shared().drawViewModel();
    const quint32 code = event->nativeScanCode();
    const quint32 mods = event->nativeModifiers() & kModifierMask;
    if (event->key() == Qt::Key_Shift || event->key() == Qt::Key_Alt || event->key() == Qt::Key_Meta) {
        m_view->refreshCursor();
        return;
    }
    if (code == kEsc) {
        core.requestClose(true);
        return;
    }
    if (code == kSpace) {
        // A held key repeats; the anchor is taken once, at the first press.
        if (!event->isAutoRepeat() && !model.spaceKeyPoint() && m_screen) {
            // The drag first reaches where the pointer was when the key went down, so
            // the move starts from there however late the events are handled.
            if (const auto at = overlayInput::pointerAtKey(code, event->timestamp()))
                core.catchUpPointer(*at);
            model.setSpaceKeyPoint(core.pointerOn(m_screen));
        }
        return;
    }
    if (code == kBackSpace || code == kDelete) {
        const auto active = model.activeTool();
        if (!active)
            return;
        for (const ToolPtr &tool : model.drawedTools()) {
            if (tool && tool->id == *active) {
                core.removeTool(tool);
                core.finishEditing();
                return;
            }
        }
        return;
    }
    if (mods != 0 || event->isAutoRepeat())
        return;
    switch (code) {
    case kC: core.selectTool(Tool::Point); break;
    case kW: model.toggleWhiteboard(); break;
    case kT: core.selectTool(Tool::Text); break;
    case kP: core.selectTool(Tool::Pen); break;
    case kA: core.selectTool(Tool::Arrow); break;
    case kL: core.selectTool(Tool::Line); break;
    case kR: core.selectTool(Tool::Rectangle); break;
    case kO: core.selectTool(Tool::Oval); break;
    case kB: core.selectTool(Tool::Blur); break;
    case kV: core.selectTool(Tool::Video); break;
    default: break;
    }
}

void CropWindow::keyReleaseEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Shift || event->key() == Qt::Key_Alt || event->key() == Qt::Key_Meta) {
        m_view->refreshCursor();
        return;
    }
    if (event->nativeScanCode() != kSpace || event->isAutoRepeat())
        return;
    DrawViewModel &model = *Models::shared().drawViewModel();
    // The move ends where the pointer was when the key came up, also when the pointer
    // events before it were merged into one after it.
    if (model.spaceKeyPoint())
        if (const auto at = overlayInput::pointerAtKey(event->nativeScanCode(), event->timestamp()))
            DrawCore::shared().catchUpPointer(*at);
    model.setSpaceKeyPoint(std::nullopt);
    // Space released before any crop area exists: pick a window instead.
    if (!model.hasCroppedArea() && !model.croppedAreaDrawing())
        model.setChooceWindowMode(true);
}

} // namespace qn
