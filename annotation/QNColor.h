#pragma once
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMetaType>
#include <optional>

namespace qn {

// An annotation colour; `mask` turns the object into an inversion mark (drawn in
// white with the difference blend, so it inverts what lies beneath).
struct QNColor {
    QColor color;
    bool mask = false;

    bool operator==(const QNColor &other) const { return color == other.color && mask == other.mask; }

    // The twelve palette colours, in palette order.
    static const QList<QColor> &palette();
    // The default annotation colour: #33F103 with the mask flag set.
    static QNColor defaultColor();
    // 10 for a mask; else 11 + the palette index of the colour; 1 outside the palette.
    static int code(const QColor &color, bool mask);

    // Stored form: {"color":"<base64 of the JSON text of the six hex digits>","mask":bool}.
    QByteArray toJson() const;
    static std::optional<QNColor> fromJson(const QByteArray &json);
};

} // namespace qn
Q_DECLARE_METATYPE(qn::QNColor)
