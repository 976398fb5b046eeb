#include "capture/CropWindow.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Models.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "platform/OverlayInput.h"

#include <QBackingStore>
#include <QCursor>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <xcb/xcb.h>

namespace qn {

namespace {
// X key codes of the keys the capture reacts to (the evdev positions of a US layout).
enum XKey : quint32 {
    kEsc = 9,
    kSpace = 65,
    kBackSpace = 22,
    kDelete = 119,
    kC = 54,
    kW = 25,
    kT = 28,
    kP = 33,
    kA = 38,
    kL = 46,
    kR = 27,
    kO = 32,
    kB = 56,
    kV = 55,
};
// X modifier masks; Num Lock (Mod2) is a state, not a modifier, and never blocks a key.
constexpr quint32 kNumLockMask = 16;
constexpr quint32 kModifierMask = 0xFF & ~kNumLockMask;
} // namespace

// Qt asks for a repaint of the window and of the view after it shows them, in
// events of their own that come after the server's expose has had the whole overlay
// painted; each would copy a whole screen to the server again. Only that one request
// per show is dropped, and only once the view has been painted whole since the show.
class CropWindow::ShowRepaintFilter : public QObject {
public:
    explicit ShowRepaintFilter(CropWindow *window) : QObject(window), m_window(window) {
        window->installEventFilter(this);
        window->m_view->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override {
        const bool isWindow = watched == m_window;
        switch (event->type()) {
        case QEvent::Show:
            (isWindow ? m_windowPending : m_viewPending) = true;
            m_paintedWhole = false;
            break;
        case QEvent::Hide:
            if (isWindow)
                m_paintedWhole = false;
            break;
        case QEvent::Paint: {
            // Only a paint into the shown window counts (not one of render() while
            // the window is prepared hidden).
            const QWindow *handle = m_window->windowHandle();
            if (!isWindow && m_window->isVisible() && handle && handle->isExposed() &&
                (QRegion(m_window->m_view->rect()) - static_cast<QPaintEvent *>(event)->region()).isEmpty())
                m_paintedWhole = true;
            break;
        }
        case QEvent::UpdateLater: {
            bool &pending = isWindow ? m_windowPending : m_viewPending;
            const bool showsRequest = pending;
            pending = false;
            return showsRequest && m_paintedWhole && m_window->m_view->geometry() == m_window->rect();
        }
        default: break;
        }
        return false;
    }

private:
    CropWindow *m_window;
    bool m_windowPending = false;
    bool m_viewPending = false;
    bool m_paintedWhole = false;
};

CropWindow::CropWindow(DrawCore &core, QScreen *screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_core(core),
      m_screen(screen) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(windowTitleText());
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setGeometry(screen->geometry());
    m_view = new DrawView(core, screen, this);
    m_view->setGeometry(rect());
    new ShowRepaintFilter(this);
    setWindowState(Qt::WindowFullScreen);
    keepInactiveColoursActive();
}

void CropWindow::keepInactiveColoursActive() {
    // The overlay looks the same with or without the keys; with inactive colours of
    // their own, Qt paints the whole screen again when the window becomes active.
    if (palette().isEqual(QPalette::Active, QPalette::Inactive))
        return;
    QPalette same = palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        same.setColor(QPalette::Inactive, QPalette::ColorRole(role),
                      same.color(QPalette::Active, QPalette::ColorRole(role)));
    setPalette(same);
}

void CropWindow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    // The application's colours change with the appearance; the inactive ones follow.
    if (event->type() == QEvent::PaletteChange)
        keepInactiveColoursActive();
}

// Qt follows the window manager's configure notice with an expose of the whole
// window, although the server lost none of its pixels; each one would copy a whole
// screen to the server again. Once the window shows its picture, only the exposes
// the server asks for go through.
class CropWindow::ExposeFilter : public QObject {
public:
    explicit ExposeFilter(CropWindow *window) : QObject(window), m_window(window) {}
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::Expose)
            return false;
        // Painting begins with this expose: the frame's prefill must be in.
        m_window->m_view->finishPrefill();
        const bool exposed = m_window->windowHandle() && m_window->windowHandle()->isExposed();
        if (!exposed) {
            m_window->m_shown = false;
            return false;
        }
        if (m_window->m_shown && !m_window->m_serverExposed)
            return true;
        m_window->m_shown = true;
        m_window->m_serverExposed = false;
        return false;
    }

private:
    CropWindow *m_window;
};

bool CropWindow::nativeEvent(const QByteArray &eventType, void *message, qintptr *result) {
    if (eventType == "xcb_generic_event_t") {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_EXPOSE)
            m_serverExposed = true;
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void CropWindow::showEvent(QShowEvent *event) {
    if (QWindow *window = windowHandle(); window && !m_exposeFilter) {
        m_exposeFilter = new ExposeFilter(this);
        window->installEventFilter(m_exposeFilter);
    }
    QWidget::showEvent(event);
}

// Nothing on the overlay shows the keyboard focus; Qt's default repaints the whole
// window (a whole screen) when it comes or goes.
void CropWindow::focusInEvent(QFocusEvent *) {}
void CropWindow::focusOutEvent(QFocusEvent *) {}

void CropWindow::hideEvent(QHideEvent *event) {
    m_view->finishPrefill();
    QWidget::hideEvent(event);
    m_shown = false;
    m_serverExposed = false;
}

void CropWindow::prepare() {
    winId();
    // The frame buffer is made (and shared with the X server) now; its pages are
    // only taken when the first capture paints, so it costs no memory until then.
    if (QBackingStore *store = backingStore())
        store->resize(size());
    QImage warm(64, 64, QImage::Format_RGB32);
    m_view->render(&warm);
    warmUp();
}

void CropWindow::warmUp() {
    // The first use of a font loads the font configuration; the first paint of each
    // kind sets up its code paths.
    QImage warm(64, 64, QImage::Format_RGB32);
    QFont label(QStringLiteral("Inter"));
    label.setPixelSize(13);
    {
        QPainter painter(&warm);
        painter.setFont(label);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawText(QRectF(warm.rect()), Qt::AlignCenter, QStringLiteral("0123456789 X"));
        painter.fillRect(warm.rect(), QColor(0, 0, 0, 51));
    }
    (void)m_core.toolCursor();
}

void CropWindow::releaseFrame() {
    if (isVisible())
        return;
    if (QBackingStore *store = backingStore(); store && store->size().width() > 1)
        store->resize(QSize(1, 1));
}

void CropWindow::setDormant(bool dormant) {
    if (dormant != updatesEnabled())
        return;
    // Enabling updates again repaints the whole window, in a frame of its full size.
    setUpdatesEnabled(!dormant);
    if (dormant)
        if (QBackingStore *store = backingStore(); store && store->size().width() > 1)
            store->resize(QSize(1, 1));
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
    DrawCore &core = m_core;
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
        for (const DrawnPtr &tool : model.drawedTools()) {
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
            m_core.catchUpPointer(*at);
    model.setSpaceKeyPoint(std::nullopt);
    // Space released before any crop area exists: pick a window instead.
    if (!model.hasCroppedArea() && !model.croppedAreaDrawing())
        model.setChooceWindowMode(true);
}

} // namespace qn
