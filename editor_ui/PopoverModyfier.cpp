#include "editor_ui/PopoverModyfier.h"

#include "editor_ui/BubbleShape.h"
#include "editor_ui/ChromeStyle.h"
#include "platform/Diagnostics.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace qn {

namespace {
constexpr qreal kPadding = 6;
} // namespace

Edge oppositeEdge(Edge edge) {
    switch (edge) {
    case Edge::Top: return Edge::Bottom;
    case Edge::Bottom: return Edge::Top;
    case Edge::Leading: return Edge::Trailing;
    case Edge::Trailing: return Edge::Leading;
    }
    return edge;
}

namespace {

Qt::Edge screenEdge(Edge edge) {
    switch (edge) {
    case Edge::Top: return Qt::TopEdge;
    case Edge::Bottom: return Qt::BottomEdge;
    case Edge::Leading: return Qt::LeftEdge;
    case Edge::Trailing: return Qt::RightEdge;
    }
    return Qt::LeftEdge;
}

} // namespace

QPainterPath popoverBackgroundShape(const QRectF &b, Edge arrow) { return bubbleOutline(b, screenEdge(arrow)); }

namespace {

QPointF placementOffset(const QSizeF &source, Edge edge, const QSizeF &size) {
    const qreal w = source.width(), h = source.height(), cw = size.width(), ch = size.height();
    switch (edge) {
    case Edge::Top: return {w / 2 - cw / 2, -kPadding - ch};
    case Edge::Leading: return {-kPadding - cw, h / 2 - ch / 2};
    case Edge::Bottom: return {w / 2 - cw / 2, h + kPadding};
    case Edge::Trailing: return {w + kPadding, h / 2 - ch / 2};
    }
    return {};
}

} // namespace

PopoverPlacement popoverPlacement(const QRectF &source, Edge preferred, const QSizeF &size,
                                  const std::optional<QRectF> &screen) {
    const QPointF offset = placementOffset(source.size(), preferred, size);
    if (!screen)
        return {preferred, offset};
    const QRectF r(source.topLeft() + offset, size);
    QPointF far;
    switch (preferred) {
    case Edge::Leading: far = QPointF(r.left(), r.center().y()); break;
    case Edge::Trailing: far = QPointF(r.right(), r.center().y()); break;
    case Edge::Top: far = QPointF(r.center().x(), r.top()); break;
    case Edge::Bottom: far = QPointF(r.center().x(), r.bottom()); break;
    }
    // Edges count as on screen, as a frame contains its own border.
    const bool inside = far.x() >= screen->left() && far.x() <= screen->right() && far.y() >= screen->top() &&
                        far.y() <= screen->bottom();
    if (inside)
        return {preferred, offset};
    const Edge flipped = oppositeEdge(preferred);
    return {flipped, placementOffset(source.size(), flipped, size)};
}

// The popover itself: background, arrow and the padded content.
class PopoverModyfier::Frame : public QWidget {
public:
    Frame(PopoverModyfier *owner, QWidget *parent) : QWidget(parent), m_owner(owner) {
        setAttribute(Qt::WA_NoSystemBackground);
    }
    Edge arrow = Edge::Trailing;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_owner->m_background.paint(painter, popoverBackgroundShape(QRectF(rect()), arrow), chrome::isDark(this), this);
    }
    void enterEvent(QEnterEvent *) override { Q_EMIT m_owner->hoverChanged(true); }
    void leaveEvent(QEvent *) override { Q_EMIT m_owner->hoverChanged(false); }

private:
    PopoverModyfier *m_owner;
};

PopoverModyfier::PopoverModyfier(QWidget *source, Edge edge, bool shadow, QWidget *content, QWidget *host)
    : QObject(source), m_source(source), m_host(host), m_edge(edge), m_shadow(shadow), m_content(content),
      m_placedEdge(edge) {
    if (m_content)
        m_content->hide();
}

PopoverModyfier::~PopoverModyfier() {
    removeMonitor();
    delete m_frame.data();
    delete m_content.data();
}

QWidget *PopoverModyfier::popover() const { return m_frame; }

QWidget *PopoverModyfier::currentHost() const {
    if (m_host)
        return m_host;
    return m_source ? m_source->window() : nullptr;
}

void PopoverModyfier::setBackground(const PopoverBackground &background) {
    m_background = background;
    if (m_frame)
        m_frame->update();
}

void PopoverModyfier::setShow(bool show) {
    m_show = show;
    if (!show) {
        removeMonitor();
        if (m_frame && m_frame->isVisible()) {
            diagnostics::print(diagnostics::popoverHidden(m_content ? m_content->objectName() : QString()));
            m_frame->hide();
            Q_EMIT hoverChanged(false);
        }
        return;
    }
    QWidget *host = currentHost();
    if (!host || !m_source || !m_content)
        return;
    if (!m_frame || m_frame->parentWidget() != host) {
        delete m_frame.data();
        m_frame = new Frame(this, host);
        if (m_shadow) {
            auto *effect = new QGraphicsDropShadowEffect(m_frame);
            effect->setColor(QColor(0, 0, 0, qRound(0.18 * 255)));
            effect->setBlurRadius(8);
            effect->setOffset(0, 2);
            m_frame->setGraphicsEffect(effect);
        }
        m_content->setParent(m_frame);
    }
    chrome::adoptScheme(m_frame, m_source);
    m_content->show();
    reposition();
    m_frame->raise();
    const bool wasVisible = m_frame->isVisible();
    m_frame->show();
    if (!wasVisible && diagnostics::enabled()) {
        const QRect r(m_content->mapToGlobal(QPoint(0, 0)), m_content->size());
        diagnostics::print(diagnostics::popoverShown(m_content->objectName(), r));
    }
    installMonitor();
}

void PopoverModyfier::reposition() {
    QWidget *host = currentHost();
    if (!m_frame || !m_source || !m_content || !host)
        return;
    // Measure first, so that the first placement already uses the real size.
    QSize contentSize = m_content->sizeHint();
    if (m_content->minimumSize() == m_content->maximumSize())
        contentSize = m_content->minimumSize();
    m_content->resize(contentSize);
    const QSizeF size(contentSize.width() + 2 * kPadding, contentSize.height() + 2 * kPadding);

    const QRectF sourceGlobal(m_source->mapToGlobal(QPoint(0, 0)), QSizeF(m_source->size()));
    std::optional<QRectF> screen;
    if (QScreen *s = m_source->screen())
        screen = QRectF(s->geometry());
    const PopoverPlacement placement = popoverPlacement(sourceGlobal, m_edge, size, screen);
    m_placedEdge = placement.edge;

    const QPointF topLeft = QPointF(m_source->mapTo(host, QPoint(0, 0))) + placement.offset;
    m_frame->arrow = oppositeEdge(placement.edge);
    m_frame->setGeometry(QRectF(topLeft, size).toRect());
    m_content->move(int(kPadding), int(kPadding));

    // The transparent bands around the body take no clicks.
    m_frame->setMask(bubbleRegion(m_frame->size(), screenEdge(m_frame->arrow)));
    m_frame->update();
}

void PopoverModyfier::installMonitor() {
    // Never two filters for one popover.
    removeMonitor();
    qApp->installEventFilter(this);
    m_monitoring = true;
}

void PopoverModyfier::removeMonitor() {
    if (!m_monitoring)
        return;
    qApp->removeEventFilter(this);
    m_monitoring = false;
}

bool PopoverModyfier::eventFilter(QObject *, QEvent *event) {
    if (!m_monitoring || event->type() != QEvent::MouseButtonPress)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    // A click reaches its window and then each widget it propagates to: look at it once.
    const auto key = std::make_pair(mouse->timestamp(), mouse->globalPosition().toPoint());
    if (key == m_lastClick)
        return false;
    m_lastClick = key;
    if (mouse->button() == Qt::LeftButton && m_frame && m_frame->isVisible()) {
        const QRect global(m_frame->mapToGlobal(QPoint(0, 0)), m_frame->size());
        if (!global.contains(mouse->globalPosition().toPoint()) && m_outside)
            m_outside();
    }
    return false;
}

} // namespace qn
