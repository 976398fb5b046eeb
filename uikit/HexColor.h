#pragma once
#include <QColor>
#include <QString>
#include <optional>

namespace qn {

// Hex text to an sRGB colour, the one parser of the whole program. Trims every
// non-alphanumeric character from both ends, scans hex digits (an optional 0x
// prefix is taken), then decides by the trimmed length: 3 (RGB), 6 (RRGGBB) or
// 8 (AARRGGBB); any other length gives the almost invisible (1, 1, 0, 1)/255.
QColor colorFromHex(const QString &text);
// The same colour with an opacity applied (0..1).
QColor colorFromHex(const QString &text, double opacity);
// Six upper-case hex digits without "#", rounding halves away from zero.
std::optional<QString> hexString(const QColor &color);

} // namespace qn
