#pragma once
// The look shared by the kit's text field and text area: the fill by state, the
// hairline edge, the text and placeholder colours, and when focus changes count as
// the end of editing.
#include "uikit/ColorScheme.h"

#include <QColor>
#include <QRectF>

class QFocusEvent;
class QPainter;

namespace qn {

// Plain shows the bare text; Primary draws the fill, edge and placeholder.
enum class MorvaneTextViewType { Plain, Primary };
using MorvaneTextAreaType = MorvaneTextViewType;

struct TextInputLook {
    // The fill, first match of: disabled (clear), error, editing, otherwise.
    static QColor fill(ColorScheme scheme, bool disabled, bool error, bool editing);
    // The typed text's colour; an error does not change it.
    static QColor text(MorvaneTextViewType type, ColorScheme scheme, bool disabled, bool editing);
    static QColor placeholder(bool disabled);
    // The fill in a rounded rectangle, with the edge (1 px, 12 % black) inside it.
    static void paintBackground(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool showBorder,
                                const QColor &fill);
    // Focus that leaves for a popup (a context menu) or another window keeps editing going.
    static bool endsEditing(const QFocusEvent *event);
    static bool beginsEditing(const QFocusEvent *event);
};

} // namespace qn
