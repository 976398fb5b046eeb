#include "editor_ui/PanelBackground.h"

#include "editor_ui/ChromeStyle.h"
#include "uikit/BlurredBackdrop.h"

#include <QPainter>
#include <QPainterPath>

namespace qn {

QColor panelBlurTint(bool dark) {
    // Over a blur the material may let more through than over sharp pixels: only
    // colour and light pass, no shapes.
    QColor color = chrome::fullScreenUIMaterial(dark);
    color.setAlphaF(dark ? 0.8f : 0.72f);
    return color;
}

void paintPanelBackground(QPainter &painter, const QPainterPath &shape, BlendingMode mode, bool dark, QWidget *over) {
    QColor color = chrome::fullScreenUIMaterial(dark);
    if (over) {
        if (BlurredBackdrop *backdrop = BlurredBackdrop::find(over)) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            if (backdrop->paint(painter, shape, over))
                color = panelBlurTint(dark);
            else
                color.setAlpha(255); // the picture behind stays hidden until its blur is ready
            painter.fillPath(shape, color);
            painter.restore();
            return;
        }
    }
    if (mode == BlendingMode::BehindWindow)
        color.setAlpha(255);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, color);
    painter.restore();
}

PanelBackground::PanelBackground(BlendingMode mode, QWidget *parent) : QWidget(parent), m_mode(mode) {
    setAttribute(Qt::WA_NoSystemBackground);
}

void PanelBackground::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QPainterPath shape;
    shape.addRect(QRectF(rect()));
    paintPanelBackground(painter, shape, m_mode, chrome::isDark(this), this);
}

void PopoverBackground::paint(QPainter &painter, const QPainterPath &shape, bool darkScheme, QWidget *over) const {
    const std::optional<QColor> &plain = darkScheme ? dark : light;
    if (!plain) {
        paintPanelBackground(painter, shape, BlendingMode::WithinWindow, darkScheme, over);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, *plain);
    painter.restore();
}

} // namespace qn
