#pragma once
// Light or dark: what every kit view draws for. A widget either is given a scheme
// (the kit button, the text inputs) or reads the one of its surroundings: the nearest
// ancestor that prefers a scheme, else the lightness of the application's palette.
#include <QPalette>

class QWidget;

namespace qn {

enum class ColorScheme { Light, Dark };

// The scheme a widget is shown in (its own preference or an ancestor's, else the
// application palette's).
ColorScheme environmentColorScheme(const QWidget *widget);
// Makes `widget` and everything inside it prefer `scheme`, whatever the desktop uses:
// kit views below read it, and plain Qt controls get the kit's palette for it.
void setPreferredColorScheme(QWidget *widget, ColorScheme scheme);
// The palette plain Qt controls get inside a kit view of that scheme.
QPalette kitPalette(ColorScheme scheme);

} // namespace qn
