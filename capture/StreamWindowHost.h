#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>

class QScreen;
class QWidget;

namespace qn {

class CropWindow;
class DrawCore;
class StreamView;

// What the video tool changes on the crop screen's overlay: the overlay opens a
// hole over the crop rectangle (shape and input), so the live desktop shows there
// and is what gets recorded; the "Stream window" with the strokes and the camera
// bubble stands over it; the options card sits in the middle of the crop area
// until a recording starts. Everything follows the editor and recording state.
class StreamWindowHost : public QObject {
    Q_OBJECT
public:
    StreamWindowHost(DrawCore &core, QObject *parent = nullptr);

    StreamView *streamView() const;
    QWidget *optionsCard() const;
    // The overlay's shape hole, in the crop screen's coordinates (empty without one).
    QRect hole() const { return m_hole; }

    // Brings the recording windows above the overlay again (after it was raised).
    void raiseAboveOverlay();
    // A recording is about to start: the options card leaves the crop area now, not
    // once the first frames have been read with it. A start that fails brings it back.
    void prepareForRecording();

    // The mask for an overlay of `window` (its own coordinates) with `hole` open and
    // `card` and `chrome` kept over it. Empty only without a hole (no mask at all):
    // an overlay that keeps nothing gets a mask that shows nothing.
    static QRegion overlayMask(const QRect &window, const QRect &hole, const QRect &card, const QList<QRect> &chrome);

private:
    void sync();
    void clear();

    DrawCore &m_core;
    QPointer<CropWindow> m_masked;
    QPointer<StreamView> m_stream;
    QPointer<QWidget> m_options;
    QPointer<QScreen> m_screen;
    QRect m_hole;
    QRect m_shapeCard;
    QList<QRect> m_shapeChrome;
    QPointer<QObject> m_laidOut;
    bool m_recording = false;
    bool m_starting = false;
};

} // namespace qn
