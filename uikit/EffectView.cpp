#include "uikit/EffectView.h"

#include <QPainter>

namespace qn {

MorvaneEffectView::MorvaneEffectView(EffectMaterial material, EffectBlendingMode blendingMode,
                                     EffectViewType modeType, ColorScheme colorScheme, QWidget *parent)
    : QWidget(parent), m_material(material), m_blending(blendingMode), m_modeType(modeType), m_scheme(colorScheme) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MorvaneEffectView::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    update();
}

ColorScheme MorvaneEffectView::appearance() const {
    switch (m_modeType) {
    case EffectViewType::Light:
        return ColorScheme::Light;
    case EffectViewType::Dark:
        return ColorScheme::Dark;
    case EffectViewType::LightDark:
        break;
    }
    return m_scheme;
}

QColor MorvaneEffectView::fillColor() const {
    // Within a window the material blends with the window's own content; behind a
    // window only a translucent window lets anything through.
    const bool translucent = m_blending == EffectBlendingMode::WithinWindow ||
                             (window() && window()->testAttribute(Qt::WA_TranslucentBackground));
    return materialColor(m_material, appearance(), translucent);
}

QColor MorvaneEffectView::materialColor(EffectMaterial material, ColorScheme appearance, bool translucent) {
    const bool light = appearance == ColorScheme::Light;
    QColor c;
    switch (material) {
    case EffectMaterial::FullScreenUI:
        c = light ? QColor(0xE9, 0xE9, 0xE9) : QColor(0x26, 0x26, 0x26);
        break;
    case EffectMaterial::HudWindow:
        c = light ? QColor(0xE6, 0xE6, 0xE6) : QColor(0x1F, 0x1F, 0x1F);
        break;
    case EffectMaterial::Popover:
        c = light ? QColor(0xF0, 0xF0, 0xF0) : QColor(0x2B, 0x2B, 0x2B);
        break;
    case EffectMaterial::Sidebar:
        c = light ? QColor(0xE8, 0xE8, 0xE8) : QColor(0x2A, 0x2A, 0x2A);
        break;
    case EffectMaterial::Menu:
        c = light ? QColor(0xEB, 0xEB, 0xEB) : QColor(0x2C, 0x2C, 0x2C);
        break;
    case EffectMaterial::WindowBackground:
        c = light ? QColor(0xEC, 0xEC, 0xEC) : QColor(0x32, 0x32, 0x32);
        break;
    case EffectMaterial::UnderWindowBackground:
        c = light ? QColor(0xE4, 0xE4, 0xE4) : QColor(0x1E, 0x1E, 0x1E);
        break;
    }
    if (translucent)
        c.setAlphaF(0.85f);
    return c;
}

void MorvaneEffectView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), fillColor());
}

} // namespace qn
