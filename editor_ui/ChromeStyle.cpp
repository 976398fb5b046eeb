#include "editor_ui/ChromeStyle.h"

#include "uikit/ColorScheme.h"
#include "uikit/EffectView.h"
#include "uikit/HexColor.h"

#include <QWidget>

namespace qn::chrome {

bool isDark(const QWidget *widget) { return environmentColorScheme(widget) == ColorScheme::Dark; }

void adoptScheme(QWidget *target, const QWidget *source) {
    // The target lives outside the source's widgets, so it takes the scheme itself
    // rather than inheriting it.
    setPreferredColorScheme(target, environmentColorScheme(source));
}

QColor barMaterial(bool dark) {
    return dark ? colorFromHex(QStringLiteral("2C2C2E"), 0.94) : colorFromHex(QStringLiteral("F6F6F6"), 0.94);
}

QColor fullScreenUIMaterial(bool dark) {
    return MorvaneEffectView::materialColor(EffectMaterial::FullScreenUI, dark ? ColorScheme::Dark : ColorScheme::Light,
                                            true);
}

} // namespace qn::chrome
