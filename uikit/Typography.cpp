#include "uikit/Typography.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QWidget>
#include <cmath>

namespace qn {

QString kitFontFamily() { return QStringLiteral("Inter"); }

bool kitFontInstalled() { return QFontDatabase::hasFamily(kitFontFamily()); }

QFont TextStyle::font() const {
    QFont f(kitFontFamily());
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    f.setWeight(weight);
    f.setLetterSpacing(QFont::AbsoluteSpacing, kerning);
    f.setUnderline(underline);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

qreal TextStyle::lineAdvance() const { return QFontMetricsF(font()).lineSpacing() + lineSpacing; }

void TextStyle::apply(QWidget *widget, const std::optional<QColor> &color) const {
    if (!widget)
        return;
    widget->setFont(font());
    if (color) {
        QPalette p = widget->palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(role, *color);
        widget->setPalette(p);
    }
}

namespace {
TextStyle make(qreal size, QFont::Weight weight, qreal kerning, qreal lineSpacing, bool underline,
               std::optional<qreal> scale = std::nullopt) {
    return TextStyle{scale ? size * *scale : size, weight, kerning, lineSpacing, underline};
}
} // namespace

TextStyle TextStyle::contentS(std::optional<qreal> scale) { return make(13, QFont::Normal, 0.1, 6, false, scale); }
TextStyle TextStyle::contentL() { return make(16, QFont::Normal, 0.3, 8, false); }
TextStyle TextStyle::buttonsAndForms(std::optional<qreal> scale, qreal lineSpacing) {
    return make(14, QFont::Normal, -0.3, lineSpacing, false, scale);
}
TextStyle TextStyle::contentXS(std::optional<qreal> scale) { return make(11, QFont::Normal, -0.1, 3, false, scale); }
TextStyle TextStyle::contentXSUnderlined(std::optional<qreal> scale) {
    return make(11, QFont::Normal, -0.1, 3, true, scale);
}
TextStyle TextStyle::contentM(std::optional<qreal> scale) { return make(15, QFont::Normal, 0.2, 5, false, scale); }
TextStyle TextStyle::contentMUnderlined(std::optional<qreal> scale) {
    return make(15, QFont::Normal, 0.2, 5, true, scale);
}
TextStyle TextStyle::contentSUnderlined(std::optional<qreal> scale) {
    return make(13, QFont::Normal, 0.1, 6, true, scale);
}
TextStyle TextStyle::display() { return make(56, QFont::Light, -0.1, 0, false); }
TextStyle TextStyle::hero() { return make(20, QFont::Light, 0.4, 3, false); }
TextStyle TextStyle::contentMLoose() { return make(15, QFont::Normal, 0.2, 9, false); }

TextStyle MorvaneFonts_hero::style() { return make(20, QFont::Light, 0.4, 3, false); }
TextStyle MorvaneFonts_ButtonsAndForms::style() { return make(14, QFont::Normal, -0.3, 1, false); }
TextStyle MorvaneFonts_ContentS::style() { return make(13, QFont::Normal, 0.1, 6, false); }
TextStyle MorvaneFonts_ContentM::style() { return make(15, QFont::Normal, 0.2, 5, false); }

namespace {

struct LaidOutText {
    std::vector<std::unique_ptr<QTextLayout>> paragraphs;
    QSizeF size{0, 0};
};

// One QTextLayout per paragraph; lines are stacked with the style's extra spacing
// between every two lines (none above the first or below the last).
LaidOutText layoutText(const QString &text, const TextStyle &style, qreal wrapWidth) {
    LaidOutText out;
    if (text.isEmpty())
        return out;
    const QFont font = style.font();
    const QFontMetricsF fm(font);
    QTextOption option;
    option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    qreal y = 0;
    qreal width = 0;
    bool first = true;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font);
        layout->setTextOption(option);
        layout->beginLayout();
        for (;;) {
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            if (wrapWidth > 0)
                line.setLineWidth(wrapWidth);
            else
                line.setNumColumns(static_cast<int>(paragraph.size()) + 1);
            if (!first)
                y += style.lineSpacing;
            first = false;
            line.setPosition(QPointF(0, y));
            // The font's own line height (unrounded), as the style's spacing is defined on it.
            y += fm.lineSpacing();
            width = std::max(width, line.naturalTextWidth());
        }
        layout->endLayout();
        out.paragraphs.push_back(std::move(layout));
    }
    out.size = QSizeF(std::ceil(width), std::ceil(y));
    return out;
}

} // namespace

QSizeF measureStyledText(const QString &text, const TextStyle &style, qreal wrapWidth) {
    return layoutText(text, style, wrapWidth).size;
}

void drawStyledText(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
                    const TextStyle &style, const QColor &color, bool wrap) {
    const LaidOutText laid = layoutText(text, style, wrap ? rect.width() : -1);
    qreal top = rect.top();
    if (alignment & Qt::AlignBottom)
        top = rect.bottom() - laid.size.height();
    else if (alignment & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - laid.size.height()) / 2;
    painter.save();
    painter.setPen(color);
    painter.setFont(style.font());
    for (const auto &layout : laid.paragraphs) {
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            qreal left = rect.left();
            if (alignment & Qt::AlignRight)
                left = rect.right() - line.naturalTextWidth();
            else if (alignment & Qt::AlignHCenter)
                left = rect.left() + (rect.width() - line.naturalTextWidth()) / 2;
            line.draw(&painter, QPointF(left - line.position().x(), top));
        }
    }
    painter.restore();
}

} // namespace qn
