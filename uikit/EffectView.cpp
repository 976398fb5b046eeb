#include "uikit/EffectView.h"

#include <QPainter>

namespace qn {

MorvaneEffectView::MorvaneEffectView(EffectMaterial material, EffectBlendingMode blendingMode, EffectViewType modeType,
                                     ColorScheme colorScheme, QWidget *parent)
    : QWidget(parent), m_material(material), m_blending(blendingMode), m_modeType(modeType), m_scheme(colorScheme) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MorvaneEffectView::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    update();
}

ColorScheme MorvaneEffectView::appearance() const {
    switch (m_modeType) {
    case EffectViewType::Light: return ColorScheme::Light;
    case EffectViewType::Dark: return ColorScheme::Dark;
    case EffectViewType::LightDark: break;
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
    // What each material looks like over a plain desktop, in light and in dark.
    struct Swatch {
        EffectMaterial material;
        QRgb light;
        QRgb dark;
    };
    static constexpr Swatch swatches[] = {
        {EffectMaterial::FullScreenUI, 0xE9E9E9, 0x262626},
        {EffectMaterial::HudWindow, 0xE6E6E6, 0x1F1F1F},
        {EffectMaterial::Popover, 0xF0F0F0, 0x2B2B2B},
        {EffectMaterial::Sidebar, 0xE8E8E8, 0x2A2A2A},
        {EffectMaterial::Menu, 0xEBEBEB, 0x2C2C2C},
        {EffectMaterial::WindowBackground, 0xECECEC, 0x323232},
        {EffectMaterial::UnderWindowBackground, 0xE4E4E4, 0x1E1E1E},
    };
    QColor c;
    for (const Swatch &s : swatches)
        if (s.material == material)
            c = QColor::fromRgb(appearance == ColorScheme::Light ? s.light : s.dark);
    if (translucent)
        c.setAlphaF(0.85f);
    return c;
}

void MorvaneEffectView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), fillColor());
}

} // namespace qn
