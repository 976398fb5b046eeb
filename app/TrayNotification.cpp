#include "app/TrayNotification.h"

#include "platform/X11Desktop.h"
#include "uikit/Color.h"
#include "uikit/ColorScheme.h"
#include "uikit/Typography.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace qn {

TrayNotification::TrayNotification(const std::optional<QString> &emoji, QWidget *content, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::BypassWindowManagerHint),
      m_dark(environmentColorScheme(nullptr) == ColorScheme::Dark), m_translucent(X11Desktop::compositingActive()) {
    setWindowTitle(QStringLiteral("Quillnest - Notification"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    setFocusPolicy(Qt::NoFocus);

    QPalette pal = palette();
    const QColor textColor = m_dark ? Color::Gray::hexFFFFFF() : Color::Gray::hex282828();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        pal.setColor(role, textColor);
    setPalette(pal);

    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (emoji) {
        auto *label = new QLabel(*emoji, this);
        QFont font = label->font();
        font.setPixelSize(16);
        label->setFont(font);
        label->setContentsMargins(0, 0, 8, 0);
        layout->addWidget(label, 0, Qt::AlignVCenter);
    }
    if (content) {
        content->setParent(this);
        layout->addWidget(content, 0, Qt::AlignVCenter);
    }
    relayout();
}

void TrayNotification::setTip(qreal x, bool pointsDown) {
    m_tipX = x;
    m_tipDown = pointsDown;
    relayout();
    update();
}

void TrayNotification::relayout() {
    // The row is 40 high; the tip's 6 lie above it, or below when it points down.
    layout()->setContentsMargins(14, m_tipDown ? 0 : kTip, 14, m_tipDown ? kTip : 0);
    for (int i = 0; i < layout()->count(); ++i)
        if (QWidget *w = layout()->itemAt(i)->widget())
            w->setFixedHeight(kHeight - kTip);
    layout()->activate();
}

QPainterPath TrayNotification::bubblePath(QSizeF size, qreal tipX, bool pointsDown) {
    const qreal w = size.width(), h = size.height();
    QPainterPath body;
    body.addRoundedRect(QRectF(0, pointsDown ? 0 : kTip, w, h - kTip), 8, 8);
    QPainterPath tip;
    if (pointsDown) {
        tip.moveTo(tipX - 4.5, h - kTip);
        tip.lineTo(tipX, h);
        tip.lineTo(tipX + 4.5, h - kTip);
    } else {
        tip.moveTo(tipX - 4.5, kTip);
        tip.lineTo(tipX, 0);
        tip.lineTo(tipX + 4.5, kTip);
    }
    tip.closeSubpath();
    return body.united(tip);
}

void TrayNotification::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // Without a compositor the window is opaque: cut it to the bubble's shape.
    if (!m_translucent)
        setMask(QRegion(bubblePath(size(), tipX(), m_tipDown).toFillPolygon().toPolygon()));
}

void TrayNotification::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path =
        bubblePath(QSizeF(size()).shrunkBy(QMarginsF(0.5, 0.5, 0.5, 0.5)), tipX() - 0.5, m_tipDown)
            .translated(0.5, 0.5);
    QColor fill = m_dark ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6();
    if (m_translucent)
        fill.setAlphaF(0.94f);
    p.fillPath(path, fill);
    p.setPen(QPen(m_dark ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 40), 1));
    p.drawPath(path);
}

NoticeButton::NoticeButton(const QString &title, QWidget *parent) : QAbstractButton(parent) {
    setText(title);
    setFont(TextStyle::contentSUnderlined().font());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

QSize NoticeButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()), fm.height()};
}

void NoticeButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QColor color = palette().color(QPalette::ButtonText);
    if (isDown())
        color.setAlphaF(0.6f);
    p.setPen(color);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

namespace notice {

QLabel *text(const QString &text) {
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(TextStyle::contentS().font());
    return label;
}

NoticeButton *button(const QString &title, std::function<void()> action) {
    auto *b = new NoticeButton(title);
    QObject::connect(b, &QAbstractButton::clicked, qApp,
                     [action = std::move(action)] { QTimer::singleShot(0, qApp, action); });
    return b;
}

QLabel *separator() { return text(QStringLiteral("  |  ")); }

QWidget *row(std::initializer_list<QWidget *> pieces) {
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QWidget *piece : pieces)
        layout->addWidget(piece, 0, Qt::AlignVCenter);
    return row;
}

QString textOf(const QWidget *content) {
    if (!content)
        return {};
    if (auto *label = qobject_cast<const QLabel *>(content))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(content))
        return button->text();
    QString out;
    if (QLayout *layout = content->layout()) {
        for (int i = 0; i < layout->count(); ++i)
            out += textOf(layout->itemAt(i)->widget());
        return out;
    }
    for (const QWidget *child : content->findChildren<const QWidget *>(Qt::FindDirectChildrenOnly))
        out += textOf(child);
    return out;
}

} // namespace notice

} // namespace qn
