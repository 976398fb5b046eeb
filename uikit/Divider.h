#pragma once
// A separator line: a rectangle of one colour. A width or height above 0 fixes that
// side (a fraction of a pixel is drawn as such, centred); a side left at 0 stretches
// to what its layout offers. The sizes are set once; the colour may change.
#include <QColor>
#include <QWidget>

namespace qn {

class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(const QColor &color, qreal width = 0, qreal height = 0, QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    qreal fixedLineWidth() const { return m_width; }
    qreal fixedLineHeight() const { return m_height; }
    // The rectangle that is filled, in widget coordinates.
    QRectF lineRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
    qreal m_width;
    qreal m_height;
};

} // namespace qn
