#include "uikit/ColorScheme.h"

#include "uikit/Color.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace qn {

namespace {
constexpr const char *kSchemeProperty = "qnPreferredColorScheme";
}

ColorScheme environmentColorScheme(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(kSchemeProperty);
        if (v.isValid())
            return v.toInt() == static_cast<int>(ColorScheme::Dark) ? ColorScheme::Dark : ColorScheme::Light;
    }
    const QPalette palette = widget ? widget->palette() : QApplication::palette();
    return palette.color(QPalette::Window).lightness() < 128 ? ColorScheme::Dark : ColorScheme::Light;
}

void setPreferredColorScheme(QWidget *widget, ColorScheme scheme) {
    if (!widget)
        return;
    widget->setProperty(kSchemeProperty, static_cast<int>(scheme));
    // The palette change travels to every child, so kit views repaint in the new scheme.
    widget->setPalette(kitPalette(scheme));
}

QPalette kitPalette(ColorScheme scheme) {
    const bool light = scheme == ColorScheme::Light;
    const QColor window = light ? Color::Gray::hexF6F6F6() : Color::Gray::hex282828();
    const QColor text = light ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6();
    const QColor base = light ? Color::Gray::hexFFFFFF() : Color::Gray::hex373737();
    const QColor button = light ? Color::Gray::hexFFFFFF() : Color::Gray::hex505050();
    const QColor muted = light ? Color::Gray::hexB7B7B7() : Color::Gray::hex6D6D6D();
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, light ? Color::Gray::hexF6F6F6() : Color::Gray::hex313131());
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Color::Gray::hexFFFFFF());
    p.setColor(QPalette::PlaceholderText, muted);
    p.setColor(QPalette::Highlight, Color::Quillnest::hex1C6AFF());
    p.setColor(QPalette::HighlightedText, Color::Gray::hexFFFFFF());
    p.setColor(QPalette::Link, Color::Quillnest::hex1C6AFF());
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Light, light ? Color::Gray::hexFFFFFF() : Color::Gray::hex616161());
    p.setColor(QPalette::Midlight, light ? Color::Gray::hexF1F1F1() : Color::Gray::hex505050());
    p.setColor(QPalette::Mid, light ? Color::Gray::hexC5C5C5() : Color::Gray::hex424242());
    p.setColor(QPalette::Dark, light ? Color::Gray::hex8D8D8D() : Color::Gray::hex181818());
    p.setColor(QPalette::Shadow, Color::Gray::hex000000());
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, muted);
    return p;
}

} // namespace qn
