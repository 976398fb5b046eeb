#pragma once
// The kit's type scale: eleven text styles and four font modifiers, each a size,
// weight, letter spacing (kerning) and extra spacing between lines, set in Inter.
// Sizes are logical pixels. Apply a style with TextStyle::apply (labels and any
// widget) or draw with drawStyledText; KitLabel shows a styled text with its line spacing.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;
class QWidget;

namespace qn {

// The family the kit sets every text in.
QString kitFontFamily();
// Whether that family is installed; without it Qt's font fallback applies.
bool kitFontInstalled();

struct TextStyle {
    qreal size = 13;
    QFont::Weight weight = QFont::Normal;
    qreal kerning = 0;     // extra advance after each character
    qreal lineSpacing = 0; // extra space between two lines of one text
    bool underline = false;

    bool operator==(const TextStyle &other) const = default;

    // Inter at the style's size (rounded to whole pixels), weight, kerning and underline.
    QFont font() const;
    // Distance from one baseline to the next: the font's line height plus lineSpacing.
    qreal lineAdvance() const;
    // Sets the font on `widget` (and so on every text inside it) and, when given,
    // the text colour of its palette.
    void apply(QWidget *widget, const std::optional<QColor> &color = std::nullopt) const;

    // The eleven text styles. A scale multiplies the size only.
    static TextStyle contentS(std::optional<qreal> scale = std::nullopt);
    static TextStyle contentL();
    static TextStyle buttonsAndForms(std::optional<qreal> scale = std::nullopt, qreal lineSpacing = 1);
    static TextStyle contentXS(std::optional<qreal> scale = std::nullopt);
    static TextStyle contentXSUnderlined(std::optional<qreal> scale = std::nullopt);
    static TextStyle contentM(std::optional<qreal> scale = std::nullopt);
    static TextStyle contentMUnderlined(std::optional<qreal> scale = std::nullopt);
    static TextStyle contentSUnderlined(std::optional<qreal> scale = std::nullopt);
    static TextStyle display();
    static TextStyle hero();
    static TextStyle contentMLoose();
};

// The four font modifiers: a style applied to a whole widget and what it contains.
struct MorvaneFonts_hero {
    static TextStyle style();
    static void apply(QWidget *widget) { style().apply(widget); }
};
struct MorvaneFonts_ButtonsAndForms {
    static TextStyle style();
    static void apply(QWidget *widget) { style().apply(widget); }
};
struct MorvaneFonts_ContentS {
    static TextStyle style();
    static void apply(QWidget *widget) { style().apply(widget); }
};
struct MorvaneFonts_ContentM {
    static TextStyle style();
    static void apply(QWidget *widget) { style().apply(widget); }
};

// Size of `text` in `style`: lines broken at '\n' and, when wrapWidth > 0, wrapped
// at word boundaries to that width.
QSizeF measureStyledText(const QString &text, const TextStyle &style, qreal wrapWidth = -1);
// Draws `text` in `rect` with the style's line spacing; `alignment` places each line
// horizontally and the whole block vertically. Wraps to the rect's width when `wrap`.
void drawStyledText(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
                    const TextStyle &style, const QColor &color, bool wrap = false);

} // namespace qn
