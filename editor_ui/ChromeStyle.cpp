#include "editor_ui/ChromeStyle.h"

#include "uikit/HexColor.h"

#include <QWidget>

namespace qn::chrome {

bool isDark(const QWidget *widget) {
    const QColor window = widget ? widget->palette().color(QPalette::Window) : QColor(Qt::white);
    return window.lightness() < 128;
}

void adoptScheme(QWidget *target, const QWidget *source) {
    QPalette palette = source->palette();
    // Mark every colour as set: an inherited palette set as it is would be ignored.
    palette.setResolveMask(QPalette::ResolveMask(~QPalette::ResolveMask(0)));
    target->setPalette(palette);
}

QColor gray282828() { return colorFromHex(QStringLiteral("282828")); }
QColor gray373737() { return colorFromHex(QStringLiteral("373737")); }
QColor gray505050() { return colorFromHex(QStringLiteral("505050")); }
QColor gray8D8D8D() { return colorFromHex(QStringLiteral("8D8D8D")); }
QColor grayC5C5C5() { return colorFromHex(QStringLiteral("C5C5C5")); }
QColor grayE3E3E3() { return colorFromHex(QStringLiteral("E3E3E3")); }
QColor grayF6F6F6() { return colorFromHex(QStringLiteral("F6F6F6")); }
QColor divider7C7C7C30() { return colorFromHex(QStringLiteral("7C7C7C"), 0.3); }
QColor fillF2F2F250() { return colorFromHex(QStringLiteral("F2F2F2"), 0.5); }
QColor fill00000040() { return colorFromHex(QStringLiteral("000000"), 0.4); }
QColor fill28282810() { return colorFromHex(QStringLiteral("282828"), 0.1); }
QColor fill28282815() { return colorFromHex(QStringLiteral("282828"), 0.15); }
QColor fillF6F6F610() { return colorFromHex(QStringLiteral("F6F6F6"), 0.1); }
QColor fillF6F6F615() { return colorFromHex(QStringLiteral("F6F6F6"), 0.15); }

QColor barMaterial(bool dark) {
    return dark ? colorFromHex(QStringLiteral("2C2C2E"), 0.94) : colorFromHex(QStringLiteral("F6F6F6"), 0.94);
}

QColor fullScreenUIMaterial(bool dark) {
    return dark ? colorFromHex(QStringLiteral("1E1E1E"), 0.92) : colorFromHex(QStringLiteral("EDEDED"), 0.92);
}

QFont contentSFont() {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(13);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
    return font;
}

QFont buttonsAndFormsFont(int pixelSize) {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(pixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.3);
    return font;
}

} // namespace qn::chrome
