#pragma once
#include <QColor>
#include <QFont>

class QWidget;

namespace qn {

// The colours, fonts and materials the editor chrome paints with, in one place.
// Light and dark: a widget is dark unless its palette's window colour is light,
// so an overlay picks the scheme for every bar and bubble by setting its palette.
namespace chrome {

bool isDark(const QWidget *widget);
// Gives `target` (a bubble or popover living elsewhere) the scheme of `source`.
void adoptScheme(QWidget *target, const QWidget *source);

// Named colours of the kit, as the chrome uses them.
QColor gray282828();
QColor gray373737();
QColor gray505050();
QColor gray8D8D8D();
QColor grayC5C5C5();
QColor grayE3E3E3();
QColor grayF6F6F6();
QColor divider7C7C7C30();
QColor fillF2F2F250();
QColor fill00000040();
QColor fill28282810();
QColor fill28282815();
QColor fillF6F6F610();
QColor fillF6F6F615();

// Translucent stand-ins for the platform's blurred materials.
QColor barMaterial(bool dark);
QColor fullScreenUIMaterial(bool dark);

// Inter stands for the system font: help text (13 px, kerning 0.1, 6 px between
// lines) and button text (14 px, kerning -0.3).
QFont contentSFont();
constexpr double kContentSLineSpacing = 6;
QFont buttonsAndFormsFont(int pixelSize = 14);

} // namespace chrome
} // namespace qn
