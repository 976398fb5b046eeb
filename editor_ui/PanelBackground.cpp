#include "editor_ui/PanelBackground.h"

#include "editor_ui/ChromeStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace qn {

void paintPanelBackground(QPainter &painter, const QPainterPath &shape, BlendingMode mode, bool dark) {
    QColor color = chrome::fullScreenUIMaterial(dark);
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
    paintPanelBackground(painter, shape, m_mode, chrome::isDark(this));
}

void PopoverBackground::paint(QPainter &painter, const QPainterPath &shape, bool darkScheme) const {
    const std::optional<QColor> &plain = darkScheme ? dark : light;
    if (!plain) {
        paintPanelBackground(painter, shape, BlendingMode::WithinWindow, darkScheme);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, *plain);
    painter.restore();
}

} // namespace qn
