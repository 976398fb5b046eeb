#pragma once
// What translucent panels show of the picture behind them. Qt cannot blur what lies
// under a widget, but a window that paints a still picture (the frozen screen) knows
// those pixels: it keeps a strongly blurred copy of the picture, and a panel standing
// over the window draws the part of that copy under its own shape. Nothing behind a
// panel is then legible, whatever the panel's tint.
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>

class QPainter;
class QPainterPath;

namespace qn {

class BlurredBackdrop : public QObject {
    Q_OBJECT
public:
    // The picture source is asked on the main thread, once per picture, when a panel
    // first needs the blur (or prepare() is called); the blur itself runs on a pool
    // thread. The host is the widget that paints the picture at its (0, 0), in its
    // logical coordinates; it owns the backdrop.
    using PictureSource = std::function<QImage()>;
    // Paints over the blurred copy what the host paints over its picture in `area`
    // (host coordinates), so that the panels match what lies around them.
    using Shade = std::function<void(QPainter &painter, const QRectF &area)>;

    BlurredBackdrop(QWidget *host, PictureSource source);
    ~BlurredBackdrop() override;

    void setShade(Shade shade) { m_shade = std::move(shade); }
    QWidget *host() const { return m_host; }

    // The host shows another picture: the blurred copy of the last one is dropped.
    void reset();
    // Starts blurring the picture when it is not blurred or under way yet.
    void prepare();
    bool isReady() const { return !m_blurred.isNull(); }
    const QImage &blurred() const { return m_blurred; }
    // Logical pixels of the host per pixel of the blurred copy.
    qreal scale() const { return m_scale; }

    // Draws the blurred picture under `shape` (in the painter's coordinates, which are
    // `over`'s own) and the host's shade over it. False, drawing nothing, while the
    // blur is not ready: it is then started, and `over` is updated once it is.
    bool paint(QPainter &painter, const QPainterPath &shape, QWidget *over);

    // The backdrop behind a widget: the one of the nearest of its ancestors (itself
    // included) that holds one, across windows too.
    static BlurredBackdrop *find(const QWidget *widget);
    // Makes `backdrop` the one found from `widget` and its descendants.
    static void attach(QWidget *widget, BlurredBackdrop *backdrop);

    struct Blurred {
        QImage image; // opaque, 32-bit
        int step = 1; // source pixels per image pixel, each way
    };
    // A strong blur of `picture`: averaged down by `step` (the last block of a row or
    // column may be partial), then `passes` box blurs of `radius` image pixels with
    // the edge pixels repeated. Alpha bytes of the picture are ignored (a screen grab
    // may carry padding there).
    static Blurred blur(const QImage &picture, int step, int radius, int passes);
    // The blur panels use for a picture at a device pixel ratio: some 14 logical
    // pixels of standard deviation, enough to melt text and thin lines.
    static Blurred panelBlur(const QImage &picture);

Q_SIGNALS:
    void ready();

private:
    void finished(int generation, const Blurred &result, qreal devicePixelRatio);

    QPointer<QWidget> m_host;
    PictureSource m_source;
    Shade m_shade;
    QImage m_blurred;
    qreal m_scale = 1;
    int m_generation = 0;
    bool m_running = false;
    bool m_scheduled = false;
};

} // namespace qn
