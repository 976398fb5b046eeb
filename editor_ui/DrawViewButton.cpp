#include "editor_ui/DrawViewButton.h"

#include "editor_ui/ChromeStyle.h"
#include "editor_ui/EditorIcons.h"
#include "uikit/Color.h"
#include "uikit/HexColor.h"

#include <QEnterEvent>
#include <QPainter>

namespace qn {

namespace {

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

DrawViewButtonLook secondaryLook(const DrawViewButtonState &s, bool dark) {
    DrawViewButtonLook look;
    look.cornerRadius = 4;
    if (s.disabled)
        look.fill = Qt::transparent;
    else if (s.pressed || s.active)
        look.fill = dark ? Color::Settings::hexF6F6F6Opacity10() : Color::Settings::hex282828Opacity15();
    else if (s.hovered)
        look.fill = dark ? Color::Settings::hexF6F6F6Opacity15() : Color::Settings::hex282828Opacity10();
    else
        look.fill = Qt::transparent;
    look.foreground = dark ? Color::Gray::hexC5C5C5() : Color::Gray::hex282828();
    look.opacity = s.disabled ? 0.3 : 1;
    return look;
}

DrawViewButtonLook primaryLook(const DrawViewButtonState &s, bool dark) {
    DrawViewButtonLook look;
    const QColor restFill = dark ? Color::AppPlah::hex000000Opacity40() : Color::AppPlah::hexF2F2F2Opacity50();
    const QColor restText = dark ? Color::Gray::hexF6F6F6() : Color::Gray::hex282828();
    if (s.disabled) {
        look.fill = restFill;
        look.foreground = withAlpha(restText, 0.3);
    } else if (s.pressed) {
        look.fill = colorFromHex(QStringLiteral("#0059FF"));
        look.foreground = Qt::white;
    } else if (s.hovered) {
        look.fill = colorFromHex(QStringLiteral("#1B6AFF"));
        look.foreground = Qt::white;
    } else {
        look.fill = restFill;
        look.foreground = restText;
    }
    return look;
}

DrawViewButtonLook uploadLook(const DrawViewButtonState &s, bool dark) {
    DrawViewButtonLook look;
    look.cornerRadius = 6;
    if (s.disabled) {
        look.fill = dark ? Color::Gray::hex505050() : Color::Gray::hexE3E3E3();
        look.foreground = dark ? colorFromHex(QStringLiteral("#8D8D8D")) : QColor(Qt::white);
    } else if (s.hovered && !s.pressed) {
        look.fill = colorFromHex(QStringLiteral("#1B6AFF"));
        look.foreground = Qt::white;
    } else {
        look.fill = colorFromHex(QStringLiteral("#0059FF"));
        look.foreground = Qt::white;
    }
    return look;
}

DrawViewButtonLook emojiLook(const DrawViewButtonState &s, bool dark) {
    DrawViewButtonLook look;
    look.cornerRadius = 4;
    if (s.pressed)
        look.fill = dark ? Color::Gray::hex373737() : Color::Gray::hexE3E3E3();
    else if (s.hovered)
        look.fill = dark ? Color::Gray::hex505050() : Color::Gray::hexF6F6F6();
    else
        look.fill = Qt::transparent;
    return look;
}

} // namespace

DrawViewButtonLook drawViewButtonLook(DrawViewButtonStyleCase style, const DrawViewButtonState &state, bool dark) {
    switch (style) {
    case DrawViewButtonStyleCase::Secondary: return secondaryLook(state, dark);
    case DrawViewButtonStyleCase::Primary: return primaryLook(state, dark);
    case DrawViewButtonStyleCase::Upload: return uploadLook(state, dark);
    case DrawViewButtonStyleCase::Emoji: return emojiLook(state, dark);
    }
    return {};
}

DrawViewButton::DrawViewButton(DrawViewButtonStyleCase style, QWidget *parent)
    : QAbstractButton(parent), m_style(style) {
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
}

void DrawViewButton::setActive(bool active) {
    m_active = active;
    update();
}

DrawViewButtonLook DrawViewButton::currentLook() const {
    DrawViewButtonState state;
    state.pressed = isDown();
    state.hovered = m_hovered;
    state.disabled = !isEnabled();
    state.active = m_active;
    return drawViewButtonLook(m_style, state, chrome::isDark(this));
}

void DrawViewButton::setIconName(const QString &name, const QSizeF &size, bool tinted) {
    m_iconName = name;
    m_iconSize = size;
    m_iconTinted = tinted;
    update();
}

void DrawViewButton::setContentPainter(ContentPainter painter) {
    m_contentPainter = std::move(painter);
    update();
}

void DrawViewButton::setClipShape(const QPainterPath &shape) {
    m_clipShape = shape;
    update();
}

QSize DrawViewButton::sizeHint() const {
    if (!text().isEmpty()) {
        const QFontMetricsF metrics(font());
        return QSizeF(metrics.horizontalAdvance(text()), metrics.height()).toSize();
    }
    return QSize(36, 36);
}

QPainterPath DrawViewButton::shape() const {
    const DrawViewButtonLook look = currentLook();
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), look.cornerRadius, look.cornerRadius);
    if (!m_clipShape.isEmpty())
        path = path.intersected(m_clipShape);
    return path;
}

bool DrawViewButton::hitButton(const QPoint &pos) const { return shape().contains(QPointF(pos) + QPointF(0.5, 0.5)); }

void DrawViewButton::paintEvent(QPaintEvent *) {
    const DrawViewButtonLook look = currentLook();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(look.opacity);
    const QPainterPath clip = shape();
    painter.setClipPath(clip);
    if (look.fill.alpha() > 0)
        painter.fillPath(clip, look.fill);

    const QColor foreground = look.foreground.isValid() ? look.foreground : palette().color(QPalette::WindowText);
    const QRectF area(rect());
    if (m_contentPainter) {
        m_contentPainter(painter, area, foreground);
    } else if (!m_iconName.isEmpty()) {
        const QRectF target(area.center() - QPointF(m_iconSize.width() / 2, m_iconSize.height() / 2), m_iconSize);
        paintEditorIcon(painter, m_iconName, target, m_iconTinted ? foreground : QColor());
    } else if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(foreground);
        painter.drawText(area, Qt::AlignCenter, text());
    }
}

void DrawViewButton::setHovered(bool hovered) {
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
    Q_EMIT hoverChanged(hovered);
}

void DrawViewButton::enterEvent(QEnterEvent *event) {
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void DrawViewButton::leaveEvent(QEvent *event) {
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void DrawViewButton::changeEvent(QEvent *event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
}

} // namespace qn
