#include "uikit/RoundedCorners.h"

#include <QEvent>
#include <QRegion>
#include <QWidget>

namespace qn {

QPainterPath roundedCornersPath(const QRectF &rect, qreal radius, RectCorners corners) {
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const qreal d = 2 * r;
    QPainterPath path;
    const bool tl = corners.testFlag(RectCorner::topLeft) && r > 0;
    const bool tr = corners.testFlag(RectCorner::topRight) && r > 0;
    const bool br = corners.testFlag(RectCorner::bottomRight) && r > 0;
    const bool bl = corners.testFlag(RectCorner::bottomLeft) && r > 0;
    path.moveTo(rect.left(), tl ? rect.top() + r : rect.top());
    if (tl)
        path.arcTo(QRectF(rect.left(), rect.top(), d, d), 180, -90);
    path.lineTo(tr ? rect.right() - r : rect.right(), rect.top());
    if (tr)
        path.arcTo(QRectF(rect.right() - d, rect.top(), d, d), 90, -90);
    path.lineTo(rect.right(), br ? rect.bottom() - r : rect.bottom());
    if (br)
        path.arcTo(QRectF(rect.right() - d, rect.bottom() - d, d, d), 0, -90);
    path.lineTo(bl ? rect.left() + r : rect.left(), rect.bottom());
    if (bl)
        path.arcTo(QRectF(rect.left(), rect.bottom() - d, d, d), 270, -90);
    path.closeSubpath();
    return path;
}

namespace {
class CornerMask : public QObject {
public:
    CornerMask(QWidget *widget, qreal radius, RectCorners corners)
        : QObject(widget), m_widget(widget), m_radius(radius), m_corners(corners) {
        widget->installEventFilter(this);
        apply();
    }
    void set(qreal radius, RectCorners corners) {
        m_radius = radius;
        m_corners = corners;
        apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_widget && event->type() == QEvent::Resize)
            apply();
        return false;
    }

private:
    void apply() {
        const QPolygon outline =
            roundedCornersPath(QRectF(m_widget->rect()), m_radius, m_corners).toFillPolygon().toPolygon();
        m_widget->setMask(QRegion(outline));
    }
    QWidget *m_widget;
    qreal m_radius;
    RectCorners m_corners;
};
} // namespace

void setCornerRadius(QWidget *widget, qreal radius, RectCorners corners) {
    if (!widget)
        return;
    if (auto *mask = widget->findChild<CornerMask *>(QString(), Qt::FindDirectChildrenOnly))
        mask->set(radius, corners);
    else
        new CornerMask(widget, radius, corners);
}

} // namespace qn
