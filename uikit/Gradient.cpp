#include "uikit/Gradient.h"

#include "uikit/HexColor.h"

namespace qn {

QLinearGradient TwoStopGradient::vertical(const QRectF &rect) const {
    QLinearGradient g(QPointF(rect.center().x(), rect.top()), QPointF(rect.center().x(), rect.bottom()));
    g.setColorAt(0.0, first);
    g.setColorAt(1.0, second);
    return g;
}

namespace Gradient {

TwoStopGradient twoStop(const QString &firstHex, const QString &secondHex) {
    return TwoStopGradient{colorFromHex(firstHex), colorFromHex(secondHex)};
}

namespace Button {
TwoStopGradient primary() { return twoStop(QStringLiteral("#4B91F7"), QStringLiteral("#367AF6")); }
TwoStopGradient primaryHovered() { return twoStop(QStringLiteral("#6CB3FA"), QStringLiteral("#2F92FF")); }
TwoStopGradient primaryPressed() { return twoStop(QStringLiteral("#6CB3FA"), QStringLiteral("#59A8FF")); }
TwoStopGradient primaryBorder() { return twoStop(QStringLiteral("#50A4F9"), QStringLiteral("#005CFF")); }
} // namespace Button

namespace {
// Made once on first use, then kept (and replaceable) for the whole run; GUI thread only.
TwoStopGradient &stored(int which) {
    static TwoStopGradient normal = Button::primary();
    static TwoStopGradient hovered = Button::primaryHovered();
    static TwoStopGradient pressed = Button::primaryPressed();
    static TwoStopGradient border = Button::primaryBorder();
    switch (which) {
    case 1: return hovered;
    case 2: return pressed;
    case 3: return border;
    default: return normal;
    }
}
} // namespace

TwoStopGradient primaryButton() { return stored(0); }
TwoStopGradient primaryButtonHovered() { return stored(1); }
TwoStopGradient primaryButtonPressed() { return stored(2); }
TwoStopGradient primaryButtonBorder() { return stored(3); }
void setPrimaryButton(const TwoStopGradient &gradient) { stored(0) = gradient; }
void setPrimaryButtonHovered(const TwoStopGradient &gradient) { stored(1) = gradient; }
void setPrimaryButtonPressed(const TwoStopGradient &gradient) { stored(2) = gradient; }
void setPrimaryButtonBorder(const TwoStopGradient &gradient) { stored(3) = gradient; }

} // namespace Gradient
} // namespace qn
