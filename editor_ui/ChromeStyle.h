#pragma once
#include <QColor>

class QWidget;

namespace qn {

// What the editor chrome paints with beyond the kit's named colours and text styles.
// Light and dark follow the kit's scheme of the widget (its own preference or an
// ancestor's, else the lightness of its palette), so an overlay picks the scheme
// for every bar and bubble at once.
namespace chrome {

bool isDark(const QWidget *widget);
// Gives `target` (a bubble or popover living elsewhere) the scheme of `source`.
void adoptScheme(QWidget *target, const QWidget *source);

// The help bubbles' material: a translucent stand-in for the platform's blurred bar
// material, which the kit does not have.
QColor barMaterial(bool dark);
// The kit's full-screen material, translucent.
QColor fullScreenUIMaterial(bool dark);

} // namespace chrome
} // namespace qn
