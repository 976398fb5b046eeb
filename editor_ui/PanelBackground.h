#pragma once
#include <QColor>
#include <QWidget>
#include <optional>

class QPainter;
class QPainterPath;

namespace qn {

// How a material background mixes with what lies beneath: the desktop behind a
// window of its own, or the content of the window it stands in.
enum class BlendingMode { BehindWindow, WithinWindow };

// The translucent background of the editor's bars, palettes and panels. Qt cannot
// blur what lies beneath, so it is a fill of the material's colour: translucent
// within a window, opaque behind a window (nothing composites a window's own
// transparency without a compositing manager).
void paintPanelBackground(QPainter &painter, const QPainterPath &shape, BlendingMode mode, bool dark);

// The same background as a widget filling its rectangle; the mode stays the one
// given at construction.
class PanelBackground : public QWidget {
    Q_OBJECT
public:
    explicit PanelBackground(BlendingMode mode, QWidget *parent = nullptr);
    BlendingMode mode() const { return m_mode; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const BlendingMode m_mode;
};

// What popovers draw behind their content: the within-window material unless a
// view sets plain colours for its popovers (light and dark).
struct PopoverBackground {
    std::optional<QColor> light;
    std::optional<QColor> dark;

    static PopoverBackground plain(const QColor &light, const QColor &dark) { return {light, dark}; }
    void paint(QPainter &painter, const QPainterPath &shape, bool darkScheme) const;
};

} // namespace qn
