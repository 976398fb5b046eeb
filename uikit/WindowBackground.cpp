#include "uikit/WindowBackground.h"

#include "uikit/Color.h"

#include <QPainter>

namespace qn {

WindowBackground::WindowBackground(ColorScheme colorScheme, QWidget *parent)
    : MorvaneEffectView(EffectMaterial::FullScreenUI, EffectBlendingMode::BehindWindow, EffectViewType::LightDark,
                        colorScheme, parent) {}

QColor WindowBackground::veilColor() const {
    return colorScheme() == ColorScheme::Light ? Color::AppPlah::hexF2F2F2Opacity50()
                                               : Color::AppPlah::hex000000Opacity40();
}

void WindowBackground::paintEvent(QPaintEvent *event) {
    MorvaneEffectView::paintEvent(event);
    QPainter p(this);
    p.fillRect(rect(), veilColor());
}

} // namespace qn
