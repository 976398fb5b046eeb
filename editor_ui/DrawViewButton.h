#pragma once
#include <QAbstractButton>
#include <QPainterPath>
#include <functional>

namespace qn {

// The four looks of the editor's buttons: the quiet tool button (default), the
// action bar's upload tile, the comment panel's solid save button and its flat
// emoji buttons.
enum class DrawViewButtonStyleCase { Secondary, Primary, Upload, Emoji };

struct DrawViewButtonState {
    bool pressed = false;
    bool hovered = false;
    bool disabled = false;
    bool active = false;
};

// What a look paints for one state: the fill behind the label (transparent for
// none), the label's default colour (invalid when the look sets none), the corner
// radius of the fill and clip, and the opacity of the whole button.
struct DrawViewButtonLook {
    QColor fill;
    QColor foreground;
    qreal cornerRadius = 0;
    qreal opacity = 1;
};

DrawViewButtonLook drawViewButtonLook(DrawViewButtonStyleCase style, const DrawViewButtonState &state, bool dark);

// The one clickable button of the editor chrome. The caller sizes it (its label's
// frame) and gives it an icon, a text or a painter of its own; the look only
// paints behind the label, tints it and clips it. The look is chosen once, at
// construction. `hoverChanged` follows the pointer entering and leaving, after
// the button's own hovered state has changed; it also fires while disabled.
class DrawViewButton : public QAbstractButton {
    Q_OBJECT
public:
    using ContentPainter = std::function<void(QPainter &, const QRectF &, const QColor &foreground)>;

    explicit DrawViewButton(DrawViewButtonStyleCase style = DrawViewButtonStyleCase::Secondary,
                            QWidget *parent = nullptr);

    DrawViewButtonStyleCase styleCase() const { return m_style; }
    bool isActive() const { return m_active; }
    void setActive(bool active);
    bool isHovered() const { return m_hovered; }
    DrawViewButtonLook currentLook() const;

    // Labels. An icon is an editor icon name ("pen@draw-view"), centred at `size`;
    // `tinted` false keeps the drawing's own colours.
    void setIconName(const QString &name, const QSizeF &size = QSizeF(24, 24), bool tinted = true);
    QString iconName() const { return m_iconName; }
    void setContentPainter(ContentPainter painter);
    // An extra clip of the whole button (its own coordinates), also its click shape.
    void setClipShape(const QPainterPath &shape);

    QSize sizeHint() const override;

Q_SIGNALS:
    void hoverChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPainterPath shape() const;
    void setHovered(bool hovered);

    const DrawViewButtonStyleCase m_style;
    bool m_active = false;
    bool m_hovered = false;
    QString m_iconName;
    QSizeF m_iconSize;
    bool m_iconTinted = true;
    ContentPainter m_contentPainter;
    QPainterPath m_clipShape;
};

} // namespace qn
