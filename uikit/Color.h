#pragma once
// The kit's named colours: grouped namespaces the views read (qn::Color::Gray::hex282828())
// and the flat set (qn::Color::flat505050()). Every read parses its hex text anew.
#include "uikit/HexColor.h"

#include <QColor>
#include <QString>

#define QN_KIT_COLOR(name, text)                                                                                       \
    inline QColor name() { return ::qn::colorFromHex(QStringLiteral(text)); }
#define QN_KIT_COLOR_OPACITY(name, text, opacity)                                                                      \
    inline QColor name() { return ::qn::colorFromHex(QStringLiteral(text), opacity); }

namespace qn::Color {

// The colour of a hex text with an opacity (0..1) applied on top of its own alpha.
inline QColor hex(const QString &text, double opacity) { return colorFromHex(text, opacity); }

namespace Base {
QN_KIT_COLOR(hexD70202, "#D70202")
QN_KIT_COLOR(hexFF2828, "#FF2828")
QN_KIT_COLOR(hexFE5859, "#FE5859")
QN_KIT_COLOR(hex2C8107, "#2C8107")
QN_KIT_COLOR(hex99DC81, "#99DC81")
QN_KIT_COLOR(hexFFEBE2, "#FFEBE2")
QN_KIT_COLOR(hex5F3636, "#5F3636")
QN_KIT_COLOR(hexFCF6F0, "#FCF6F0")
} // namespace Base

namespace AppPlah {
QN_KIT_COLOR_OPACITY(hex7C7C7COpacity30, "#7C7C7C", 0.3)
QN_KIT_COLOR_OPACITY(hexF2F2F2Opacity50, "#F2F2F2", 0.5)
QN_KIT_COLOR_OPACITY(hex000000Opacity40, "#000000", 0.4)
} // namespace AppPlah

namespace Settings {
QN_KIT_COLOR_OPACITY(hex282828Opacity10, "#282828", 0.1)
QN_KIT_COLOR_OPACITY(hexF6F6F6Opacity15, "#F6F6F6", 0.15)
QN_KIT_COLOR_OPACITY(hex282828Opacity15, "#282828", 0.15)
QN_KIT_COLOR_OPACITY(hexF6F6F6Opacity10, "#F6F6F6", 0.1)
} // namespace Settings

namespace Button {
QN_KIT_COLOR(hexE7E7E7, "#E7E7E7")
QN_KIT_COLOR(hexF2F2F2, "#F2F2F2")
QN_KIT_COLOR(hexDBDBDB, "#DBDBDB")
QN_KIT_COLOR_OPACITY(hex000000Opacity12, "#000000", 0.12)
} // namespace Button

namespace Gray {
QN_KIT_COLOR(hex000000, "#000000")
QN_KIT_COLOR(hexFFFFFF, "#FFFFFF")
QN_KIT_COLOR(hex181818, "#181818")
QN_KIT_COLOR(hex282828, "#282828")
QN_KIT_COLOR(hex313131, "#313131")
QN_KIT_COLOR(hex373737, "#373737")
QN_KIT_COLOR(hex424242, "#424242")
QN_KIT_COLOR(hex505050, "#505050")
QN_KIT_COLOR(hex616161, "#616161")
QN_KIT_COLOR(hex6D6D6D, "#6D6D6D")
QN_KIT_COLOR(hex8D8D8D, "#8D8D8D")
QN_KIT_COLOR(hexB7B7B7, "#B7B7B7")
QN_KIT_COLOR(hexC5C5C5, "#C5C5C5")
QN_KIT_COLOR(hexDCDCDC, "#DCDCDC")
QN_KIT_COLOR(hexE3E3E3, "#E3E3E3")
QN_KIT_COLOR(hexF1F1F1, "#F1F1F1")
QN_KIT_COLOR(hexF6F6F6, "#F6F6F6")
QN_KIT_COLOR(hexF9F9F9, "#F9F9F9")
QN_KIT_COLOR(hexFCFCFC, "#FCFCFC")
} // namespace Gray

namespace Quillnest {
QN_KIT_COLOR(hex1C6AFF, "#1C6AFF")
QN_KIT_COLOR(hex0059FF, "#0059FF")
QN_KIT_COLOR(hexBEDEFE, "#BEDEFE")
QN_KIT_COLOR(hexF6FAFE, "#F6FAFE")
QN_KIT_COLOR(hexDFEDFF, "#DFEDFF")
QN_KIT_COLOR(hexB8CAFC, "#B8CAFC")
QN_KIT_COLOR(hexEFFEF3, "#EFFEF3")
QN_KIT_COLOR(hex94CBA4, "#94CBA4")
QN_KIT_COLOR(hexFFC2C2, "#FFC2C2")
QN_KIT_COLOR(hexFFEBE2, "#FFEBE2")
QN_KIT_COLOR(hexFFF6F5, "#FFF6F5")
QN_KIT_COLOR(hexF6F4F1, "#F6F4F1")
} // namespace Quillnest

// The flat set.
inline QColor flatBlackOpacity12() {
    QColor c(Qt::black);
    c.setAlphaF(0.12f);
    return c;
}
QN_KIT_COLOR(flat505050, "#505050")
QN_KIT_COLOR(flatB7B7B7, "#B7B7B7")
QN_KIT_COLOR(flatFFFFFF, "#FFFFFF")
QN_KIT_COLOR(flatF6F6F6, "#F6F6F6")
QN_KIT_COLOR(flatFCFCFC, "#FCFCFC")
QN_KIT_COLOR(flat6D6D6D, "#6D6D6D")
QN_KIT_COLOR(flat282828, "#282828")
QN_KIT_COLOR_OPACITY(flat7C7C7COpacity30, "#7C7C7C", 0.3)
QN_KIT_COLOR_OPACITY(flat282828Opacity15, "#282828", 0.15)
QN_KIT_COLOR_OPACITY(flatF6F6F6Opacity10, "#F6F6F6", 0.1)
QN_KIT_COLOR_OPACITY(flat282828Opacity10, "#282828", 0.1)
QN_KIT_COLOR_OPACITY(flatF6F6F6Opacity15, "#F6F6F6", 0.15)
QN_KIT_COLOR(flatD70202, "#D70202")
QN_KIT_COLOR(flatFFEBE2, "#FFEBE2")
QN_KIT_COLOR(flat5F3636, "#5F3636")
QN_KIT_COLOR(flatFCF6F0, "#FCF6F0")
QN_KIT_COLOR(flat373737, "#373737")
QN_KIT_COLOR(flat8D8D8D, "#8D8D8D")
QN_KIT_COLOR(flatE3E3E3, "#E3E3E3")
QN_KIT_COLOR(flatF1F1F1, "#F1F1F1")
QN_KIT_COLOR(flatC5C5C5, "#C5C5C5")
QN_KIT_COLOR(flatA8A8A8, "#A8A8A8")
QN_KIT_COLOR(flat8B8B8B, "#8B8B8B")
QN_KIT_COLOR(flat737373, "#737373")
QN_KIT_COLOR(flat515151, "#515151")
QN_KIT_COLOR_OPACITY(flat000000Opacity40, "#000000", 0.4)
QN_KIT_COLOR_OPACITY(flatF2F2F2Opacity50, "#F2F2F2", 0.5)
QN_KIT_COLOR(flatE7E7E7, "#E7E7E7")
QN_KIT_COLOR(flatF2F2F2, "#F2F2F2")
QN_KIT_COLOR(flatDBDBDB, "#DBDBDB")
QN_KIT_COLOR(flat373737Alias, "#373737")

} // namespace qn::Color

#undef QN_KIT_COLOR
#undef QN_KIT_COLOR_OPACITY
