#include "editor_ui/MVPopover.h"

#include "editor_ui/BubbleShape.h"
#include "editor_ui/ChromeStyle.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <tuple>

namespace qn {

namespace {
constexpr int kPadding = 6;

int floorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

QPoint originOffset(MVArrowDirection d) {
    switch (d) {
    case MVArrowDirection::right: return {-kPadding, 0};
    case MVArrowDirection::up: return {0, kPadding};
    case MVArrowDirection::down: return {0, -kPadding};
    case MVArrowDirection::left: return {kPadding, 0};
    default: return {};
    }
}

MVArrowDirection directionFor(Qt::Edge edge) {
    switch (edge) {
    case Qt::LeftEdge: return MVArrowDirection::right;
    case Qt::BottomEdge: return MVArrowDirection::up;
    case Qt::TopEdge: return MVArrowDirection::down;
    default: return MVArrowDirection::left;
    }
}

bool contains(const QRect &outer, const QRect &inner) { return !inner.isEmpty() && outer.contains(inner); }

} // namespace

std::optional<Qt::Edge> mvArrowSide(MVArrowDirection arrow) {
    switch (arrow) {
    case MVArrowDirection::left: return Qt::LeftEdge;
    case MVArrowDirection::right: return Qt::RightEdge;
    case MVArrowDirection::up: return Qt::TopEdge;
    case MVArrowDirection::down: return Qt::BottomEdge;
    default: return std::nullopt;
    }
}

QPainterPath mvPopoverBackground(const QRectF &r, MVArrowDirection arrow) {
    return bubbleOutline(r, mvArrowSide(arrow));
}

QRect mvPopoverFrame(MVArrowDirection d, const QRect &a, const QSize &size) {
    const int w = size.width(), h = size.height();
    // Integer edges: the right/bottom of [x, x + width).
    const int maxX = a.x() + a.width(), maxY = a.y() + a.height();
    const int midX = a.x() + floorHalf(a.width()), midY = a.y() + floorHalf(a.height());
    switch (d) {
    case MVArrowDirection::undefined: return {};
    case MVArrowDirection::left: return {maxX, midY - floorHalf(h), w, h};
    case MVArrowDirection::right: return {a.x() - w, midY - floorHalf(h), w, h};
    case MVArrowDirection::up: return {midX - floorHalf(w), maxY, w, h};
    case MVArrowDirection::down: return {midX - floorHalf(w), a.y() - h, w, h};
    case MVArrowDirection::upLeft: return {a.x(), maxY, w, h};
    case MVArrowDirection::upRight: return {maxX - w, maxY, w, h};
    }
    return {};
}

namespace {

MVArrowDirection oppositeDirection(MVArrowDirection d) {
    switch (d) {
    case MVArrowDirection::left: return MVArrowDirection::right;
    case MVArrowDirection::right: return MVArrowDirection::left;
    case MVArrowDirection::up: return MVArrowDirection::down;
    case MVArrowDirection::down: return MVArrowDirection::up;
    default: return MVArrowDirection::undefined;
    }
}

// Across the preferred axis, towards the side with more room (above on a tie, or
// left): the side a popover turns to when neither end of its own axis will do.
MVArrowDirection roomierSide(MVArrowDirection preferred, const QRect &anchor, const QRect &screen) {
    const int screenRight = screen.x() + screen.width(), screenBottom = screen.y() + screen.height();
    if (preferred == MVArrowDirection::left || preferred == MVArrowDirection::right) {
        const int below = screenBottom - (anchor.y() + anchor.height());
        const int above = anchor.y() - screen.y();
        return below > above ? MVArrowDirection::up : MVArrowDirection::down;
    }
    if (preferred == MVArrowDirection::up || preferred == MVArrowDirection::down) {
        const int right = screenRight - (anchor.x() + anchor.width());
        const int left = anchor.x() - screen.x();
        return right > left ? MVArrowDirection::left : MVArrowDirection::right;
    }
    return MVArrowDirection::undefined;
}

// The anchor moves 6 px out on the side the panel opens towards, so the arrow's tip
// always stops 6 px short of the anchor, flipped or not.
QRect frameBeside(MVArrowDirection d, const QRect &anchor, const QSize &size) {
    return mvPopoverFrame(d, anchor.translated(originOffset(d)), size);
}

} // namespace

MVArrowDirection mvFittingArrowDirection(MVArrowDirection preferred, const QRect &anchor, const QSize &size,
                                         const QRect &screen) {
    if (contains(screen, frameBeside(preferred, anchor, size)))
        return preferred;
    const MVArrowDirection opposite = oppositeDirection(preferred);
    if (opposite != MVArrowDirection::undefined && contains(screen, frameBeside(opposite, anchor, size)))
        return opposite;
    const MVArrowDirection side = roomierSide(preferred, anchor, screen);
    if (side != MVArrowDirection::undefined && contains(screen, frameBeside(side, anchor, size)))
        return side;
    return preferred;
}

MVArrowDirection mvArrowDirectionAvoiding(MVArrowDirection preferred, const QRect &anchor, const QSize &size,
                                          const QRect &screen, const QRect &keptOut, const QRect &anchorWindow) {
    if (keptOut.isEmpty() || size.isEmpty())
        return mvFittingArrowDirection(preferred, anchor, size, screen);
    QList<MVArrowDirection> order{preferred};
    if (const MVArrowDirection opposite = oppositeDirection(preferred); opposite != MVArrowDirection::undefined) {
        const MVArrowDirection side = roomierSide(preferred, anchor, screen);
        order << opposite << side << oppositeDirection(side);
    }
    const auto overlap = [](const QRect &a, const QRect &b) {
        const QRect common = a.intersected(b);
        return common.isEmpty() ? qint64(0) : qint64(common.width()) * common.height();
    };
    // A side clear of the kept-out area comes first, even partly off the screen: in
    // a recorded area the panel would be in the movie. Where every side reaches into
    // it, the panel stays on the screen and takes the least of it. Then a side that
    // hides less of the anchor's own window (a bar's buttons) comes first.
    using Rank = std::tuple<bool, bool, qint64, qint64>;
    MVArrowDirection best = preferred;
    std::optional<Rank> bestRank;
    for (MVArrowDirection d : order) {
        const QRect frame = frameBeside(d, anchor, size);
        const qint64 held = overlap(frame, keptOut);
        const Rank rank{held > 0, !contains(screen, frame), held, d == preferred ? 0 : overlap(frame, anchorWindow)};
        if (!bestRank || rank < *bestRank) {
            best = d;
            bestRank = rank;
        }
    }
    return best;
}

MVPopoverPanel::MVPopoverPanel(QWidget *anchorWindow)
    : QWidget(anchorWindow,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void MVPopoverPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    background.paint(painter, mvPopoverBackground(QRectF(rect()), arrow), chrome::isDark(this));
}

MVPopover::MVPopover(QWidget *anchor, QWidget *content) : QObject(anchor), m_anchor(anchor), m_content(content) {
    m_panel = new MVPopoverPanel(anchor->window());
    // Popovers start on the behind-window material: the panel is a window of its own.
    m_panel->background = PopoverBackground::plain(chrome::fullScreenUIMaterial(false).toRgb(),
                                                   chrome::fullScreenUIMaterial(true).toRgb());
    m_panel->background.light->setAlpha(255);
    m_panel->background.dark->setAlpha(255);
    if (m_content) {
        m_content->setParent(m_panel);
        m_content->move(kPadding, kPadding);
    }
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] {
        if (isShown())
            close();
    });
}

MVPopover::~MVPopover() {
    setMonitoring(false);
    delete m_panel.data();
}

bool MVPopover::isShown() const { return m_panel && m_panel->isVisible(); }

void MVPopover::setPopoverBackground(const PopoverBackground &background) {
    if (m_panel) {
        m_panel->background = background;
        m_panel->update();
    }
}

void MVPopover::show(Qt::Edge edge) {
    if (!m_anchor || !m_panel || !m_anchor->window()->windowHandle() || !m_anchor->isVisible())
        return;
    // Keep the panel a child window of the anchor's current window.
    if (m_panel->parentWidget() != m_anchor->window())
        m_panel->setParent(m_anchor->window(), m_panel->windowFlags());

    // Measure the content first: the fit is decided with the real size.
    QSize contentSize = m_content ? m_content->sizeHint().expandedTo(m_content->minimumSize()) : QSize();
    if (m_content)
        m_content->resize(contentSize);
    const QSize size = contentSize + QSize(2 * kPadding, 2 * kPadding);

    const QRect anchor(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
    QRect screen;
    if (QScreen *s = m_anchor->screen())
        screen = s->geometry();
    const MVArrowDirection preferred = directionFor(edge);
    // Without an area to keep out of, this is the plain fit on the screen.
    m_arrowDirection =
        screen.isEmpty() && m_keptOut.isEmpty()
            ? preferred
            : mvArrowDirectionAvoiding(preferred, anchor, size, screen, m_keptOut, m_anchor->window()->frameGeometry());

    const QRect frame = mvPopoverFrame(m_arrowDirection, anchor.translated(originOffset(m_arrowDirection)), size);
    m_panel->arrow = m_arrowDirection;
    chrome::adoptScheme(m_panel, m_anchor);
    m_panel->setGeometry(frame);
    // Without a compositing manager a window's transparent corners show black: cut
    // the window to its bubble.
    m_panel->setMask(bubbleRegion(size, mvArrowSide(m_arrowDirection)));
    if (m_content) {
        m_content->move(kPadding, kPadding);
        m_content->show();
    }
    // The window that has the keyboard now gets it back when the popover closes: the
    // anchor's own window may be a panel that never takes the focus.
    if (QWidget *active = QApplication::activeWindow(); active && active != m_panel)
        m_returnFocus = active;
    m_panel->show();
    m_panel->raise();
    setMonitoring(true);
    QTimer::singleShot(0, m_panel, [panel = m_panel] {
        if (panel && panel->isVisible())
            panel->activateWindow();
    });
}

void MVPopover::close() {
    Q_EMIT willClose();
    setMonitoring(false);
    if (!m_panel)
        return;
    if (m_panel->isVisible()) {
        if (m_returnFocus && m_returnFocus->isVisible())
            m_returnFocus->activateWindow();
        else if (m_anchor)
            m_anchor->window()->activateWindow();
    }
    m_returnFocus = nullptr;
    m_panel->hide();
}

void MVPopover::setMonitoring(bool on) {
    if (on == m_monitoring)
        return;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    m_monitoring = on;
}

bool MVPopover::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress || !isShown())
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    // The click is seen by its window and by the widgets it reaches; any of them
    // inside the panel means a click inside.
    bool inside = false;
    if (watched->isWindowType())
        inside = watched == m_panel->windowHandle();
    else if (watched->isWidgetType())
        inside = static_cast<QWidget *>(watched)->window() == m_panel;
    else
        return false;
    if (!inside)
        close();
    return false;
}

MVPopoverModyfier::MVPopoverModyfier(QWidget *anchor, Qt::Edge preferredEdge, QWidget *content)
    : QObject(anchor), m_popover(new MVPopover(anchor, content)), m_edge(preferredEdge) {
    m_popover->setParent(this);
    connect(m_popover, &MVPopover::willClose, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_popover->isShown())
                return;
            m_visible = false;
            Q_EMIT visibleChanged(false);
        });
    });
}

void MVPopoverModyfier::setVisible(bool visible) {
    m_visible = visible;
    if (visible && !m_popover->isShown())
        m_popover->show(m_edge);
    else if (!visible && m_popover->isShown())
        m_popover->close();
    Q_EMIT visibleChanged(visible);
}

} // namespace qn
