#include "editor_ui/Tooltip.h"

#include "editor_ui/ChromeStyle.h"
#include "platform/Diagnostics.h"
#include "uikit/Color.h"
#include "uikit/Typography.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {

constexpr qreal kOuter = 6;  // room for the pointer on every side
constexpr qreal kInnerX = 12;
constexpr qreal kInnerY = 6;
constexpr qreal kRadius = 8;

enum class HSide { Leading, Center, Trailing };
enum class VSide { Top, Center, Bottom };

HSide hSide(Qt::Alignment a) {
    if (a & Qt::AlignLeft)
        return HSide::Leading;
    if (a & Qt::AlignRight)
        return HSide::Trailing;
    return HSide::Center;
}

VSide vSide(Qt::Alignment a) {
    if (a & Qt::AlignTop)
        return VSide::Top;
    if (a & Qt::AlignBottom)
        return VSide::Bottom;
    return VSide::Center;
}

qreal pick(HSide side, qreal min, qreal mid, qreal max) {
    return side == HSide::Leading ? min : side == HSide::Trailing ? max : mid;
}

qreal pick(VSide side, qreal min, qreal mid, qreal max) {
    return side == VSide::Top ? min : side == VSide::Bottom ? max : mid;
}

QStringList lines(const QString &title) { return title.split(QLatin1Char('\n')); }

QSizeF textSize(const QString &title) {
    const QFontMetricsF metrics(TextStyle::contentS().font());
    qreal width = 0;
    const QStringList all = lines(title);
    for (const QString &line : all)
        width = std::max(width, metrics.horizontalAdvance(line));
    const qreal height = all.size() * metrics.height() + (all.size() - 1) * TextStyle::contentS().lineSpacing;
    return {std::ceil(width), std::ceil(height)};
}

} // namespace

Qt::Alignment oppositeAlignment(Qt::Alignment a) {
    const HSide h = hSide(a);
    const VSide v = vSide(a);
    if (v == VSide::Center && h == HSide::Leading)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (v == VSide::Center && h == HSide::Trailing)
        return Qt::AlignLeft | Qt::AlignVCenter;
    if (h == HSide::Center && v == VSide::Top)
        return Qt::AlignBottom | Qt::AlignHCenter;
    if (h == HSide::Center && v == VSide::Bottom)
        return Qt::AlignTop | Qt::AlignHCenter;
    return a;
}

Tooltip::Tooltip(const QString &title, Qt::Alignment alignment, QWidget *parent)
    : QWidget(parent), m_title(title), m_alignment(alignment) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(sizeHint());
}

QSize Tooltip::sizeHint() const {
    const QSizeF text = textSize(m_title);
    return QSizeF(text.width() + 2 * (kInnerX + kOuter), text.height() + 2 * (kInnerY + kOuter)).toSize();
}

QRectF Tooltip::labelRect() const {
    return QRectF(QPointF(0, 0), QSizeF(sizeHint())).adjusted(kOuter, kOuter, -kOuter, -kOuter);
}

QPolygonF Tooltip::pointerPolygon() const {
    const QSizeF size(sizeHint());
    const HSide h = hSide(m_alignment);
    const VSide v = vSide(m_alignment);
    if (v == VSide::Center && h == HSide::Leading) {
        const QPointF o(0, (size.height() - 9) / 2);
        return QPolygonF({o + QPointF(0, 4.5), o + QPointF(6, 0), o + QPointF(6, 9)});
    }
    if (v == VSide::Center && h == HSide::Trailing) {
        const QPointF o(size.width() - 6, (size.height() - 9) / 2);
        return QPolygonF({o + QPointF(6, 4.5), o + QPointF(0, 0), o + QPointF(0, 9)});
    }
    if (h == HSide::Center && v == VSide::Top) {
        const QPointF o((size.width() - 9) / 2, 0);
        return QPolygonF({o + QPointF(4.5, 0), o + QPointF(9, 6), o + QPointF(0, 6)});
    }
    if (h == HSide::Center && v == VSide::Bottom) {
        const QPointF o((size.width() - 9) / 2, size.height() - 6);
        return QPolygonF({o + QPointF(4.5, 6), o + QPointF(9, 0), o + QPointF(0, 0)});
    }
    return {};
}

void Tooltip::paintEvent(QPaintEvent *) {
    const bool dark = chrome::isDark(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath shape;
    shape.addRoundedRect(labelRect(), kRadius, kRadius);
    const QPolygonF pointer = pointerPolygon();
    if (!pointer.isEmpty()) {
        QPainterPath tip;
        tip.addPolygon(pointer);
        tip.closeSubpath();
        shape = shape.united(tip);
    }
    painter.fillPath(shape, chrome::barMaterial(dark));

    const QFont font = TextStyle::contentS().font();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(dark ? Color::Gray::hexF6F6F6() : Color::Gray::hex282828());
    const QRectF label = labelRect().adjusted(kInnerX, kInnerY, -kInnerX, -kInnerY);
    qreal y = label.top() + metrics.ascent();
    for (const QString &line : lines(m_title)) {
        painter.drawText(QPointF(label.left(), y), line);
        y += metrics.height() + TextStyle::contentS().lineSpacing;
    }
}

QPointF tooltipOrigin(const QRectF &anchor, Qt::Alignment side, qreal padding, const QSizeF &bubbleSize) {
    const QRectF frame = anchor.adjusted(padding, padding, -padding, -padding);
    const QPointF point(pick(hSide(side), frame.left(), frame.center().x(), frame.right()),
                        pick(vSide(side), frame.top(), frame.center().y(), frame.bottom()));
    const Qt::Alignment own = oppositeAlignment(side);
    return {pick(hSide(own), point.x(), point.x() - bubbleSize.width() / 2, point.x() - bubbleSize.width()),
            pick(vSide(own), point.y(), point.y() - bubbleSize.height() / 2, point.y() - bubbleSize.height())};
}

TooltipModifier::TooltipModifier(QWidget *anchor, const QString &text, Qt::Alignment side, qreal padding,
                                 QWidget *host)
    : QObject(anchor), m_anchor(anchor), m_host(host), m_text(text), m_side(side), m_padding(padding) {
    anchor->installEventFilter(this);
}

TooltipModifier::~TooltipModifier() { delete m_bubble.data(); }

QWidget *TooltipModifier::currentHost() const {
    if (m_host)
        return m_host;
    return m_anchor ? m_anchor->window() : nullptr;
}

void TooltipModifier::ensureBubble() {
    QWidget *host = currentHost();
    if (m_bubble && m_bubble->parentWidget() == host)
        return;
    delete m_bubble.data();
    if (!host || host == m_anchor)
        return;
    m_bubble = new Tooltip(m_text, oppositeAlignment(m_side), host);
    m_bubble->hide();
}

void TooltipModifier::setSide(Qt::Alignment side) {
    if (side == m_side)
        return;
    m_side = side;
    delete m_bubble.data();
    setShow(m_show);
}

void TooltipModifier::setShow(bool show) {
    m_show = show;
    if (show && m_anchor && m_anchor->isVisible()) {
        ensureBubble();
        if (!m_bubble)
            return;
        // The bubble may live in another widget than its anchor: it takes the
        // anchor's scheme.
        chrome::adoptScheme(m_bubble, m_anchor);
        reposition();
        m_bubble->raise();
        if (!m_bubble->isVisible())
            diagnostics::print(diagnostics::helpShown(m_text));
        m_bubble->show();
    } else if (m_bubble) {
        if (m_bubble->isVisible())
            diagnostics::print(diagnostics::helpHidden(m_text));
        m_bubble->hide();
    }
}

void TooltipModifier::reposition() {
    QWidget *host = currentHost();
    if (!m_bubble || !m_anchor || !host)
        return;
    const QRectF anchor(m_anchor->mapTo(host, QPoint(0, 0)), QSizeF(m_anchor->size()));
    m_bubble->move(tooltipOrigin(anchor, m_side, m_padding, QSizeF(m_bubble->size())).toPoint());
}

bool TooltipModifier::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_anchor) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            reposition();
            break;
        case QEvent::Hide:
            if (m_bubble)
                m_bubble->hide();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qn
