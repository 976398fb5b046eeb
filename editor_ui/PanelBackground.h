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

// The material background of the editor's bars, palettes and panels. Over a window
// that keeps a blurred copy of the picture it shows (the overlay over its frozen
// screen), `over` (the widget painted, in that window or in one of its own windows)
// shows that copy under a tint of the material, so nothing behind is legible; until
// the copy is ready, the material is opaque. Elsewhere Qt cannot blur what lies
// beneath: a fill of the material's colour, translucent within a window, opaque
// behind one (nothing composites a window's own transparency without a compositing
// manager).
void paintPanelBackground(QPainter &painter, const QPainterPath &shape, BlendingMode mode, bool dark,
                          QWidget *over = nullptr);
// The tint laid over the blurred picture.
QColor panelBlurTint(bool dark);

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
    void paint(QPainter &painter, const QPainterPath &shape, bool darkScheme, QWidget *over = nullptr) const;
};

} // namespace qn
