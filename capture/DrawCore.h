#pragma once
#include "annotation/BaseTool.h"
#include "annotation/DrawnEditor.h"
#include "annotation/Tool.h"
#include "capture/CaptureOutputs.h"
#include "capture/OverlayCursors.h"
#include "capture/OverlayDrawnHost.h"
#include "capture/OverlayGeometry.h"
#include "capture/PackedPicture.h"
#include "capture/Window.h"

#include <QByteArray>
#include <QCursor>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QSet>
#include <QSizeF>
#include <QTimer>
#include <optional>

class QScreen;
class QWidget;

namespace qn {

class CropWindow;
class DrawViewModel;
class StreamWindowHost;

// The overlay controller: freezes every screen under an overlay window of its own,
// turns drags into the crop area and drawn objects, and hands the outputs (copy,
// copy as text, save, upload) to CaptureOutputs and the cursor choice to
// overlayCursors. Everything runs on the GUI thread; encoding, text recognition and
// file writes run on the thread pool and come back here.
class DrawCore : public QObject, private CaptureOutputs::Capture {
    Q_OBJECT
public:
    static DrawCore &shared();

    // ---- capture life cycle ------------------------------------------------
    // Starts a capture; does nothing while one is open.
    void createDrawController();
    // Makes the overlay windows ahead of the first capture (at start-up), so that it
    // opens as fast as any later one.
    void prepareOverlays();
    // How long after a capture closes its large buffers are kept for the next one.
    static constexpr int kKeepMemoryAfterCapture = 20'000; // ms
    // Another time, from the next close on (tests: 0 frees them at once).
    void setKeepMemoryAfterCapture(int milliseconds) { m_releaseMemory.setInterval(milliseconds); }
    // Gives back the hidden overlays' frame buffers and the screens' shared memory.
    void releaseOverlayMemory();
    // Esc and the close button: closes at once when there is nothing to lose, else
    // asks "Are you sure?" first (once: a second request while asking does nothing).
    void requestClose(bool ask = true);
    // Closes the overlay windows; `clearState` forgets the snapshots and the drag
    // state, `resetModel` resets the editor state.
    void closeOverlay(bool resetModel, bool clearState) override;
    bool isOpen() const override { return !m_windows.isEmpty(); }
    // Keeps the keys with the open overlay (not while the live screen is recorded, when
    // the user works in the windows under it). The pointer is held from the opening on.
    // `pointerToo`: also the pointer, when holding it at the opening failed.
    void holdInput(bool pointerToo = false);
    // The gesture under way on any overlay takes a step at this global position.
    void catchUpPointer(QPoint global);
    QScreen *mouseScreen() const;

    // Opaque pictures, ready for any use (waits for the opaque pass when it still runs).
    QMap<QScreen *, QImage> snapshots() const;
    // The overlay's own picture to paint, which may not be opaque yet: a 24-bit
    // screen shows it right. Anything that reads its pixels otherwise calls
    // ensureOpaque() first.
    QImage snapshotToPaint(QScreen *screen) const { return m_snapshots.value(screen); }
    // The overlay has copied its picture to its frame: the picture is made opaque on
    // a pool thread soon after, off the open's path.
    void snapshotShown(QScreen *screen);
    void ensureOpaque(QScreen *screen) const;
    QMap<QScreen *, QImage> snapshotsSmallQuality() const { return m_snapshotsSmallQuality; }
    QMap<QScreen *, QList<Window>> hightlightWindows() const { return m_hightlightWindows; }
    // The overlay window of each screen while a capture is open.
    QMap<QScreen *, CropWindow *> windows() const;
    // The crop screen's low-quality copy, made now when the background one is not ready.
    QImage lowQualitySnapshot(QScreen *screen);
    void setSnapshotSmallQuality(QScreen *screen, const QImage &image);

    // ---- drags ------------------------------------------------------------
    OverlayGeometry &geometry() { return m_geometry; }
    // The pointer, Space anchor and Shift state of the moment, for drag geometry.
    OverlayGeometry::Input geometryInput() const;
    // Where the pointer was at the last mouse event an overlay handled, in that
    // screen's local coordinates. Drag geometry reads this rather than asking the X
    // server: on a busy machine events are handled late, and the live pointer is
    // then already somewhere else.
    void notePointer(QScreen *screen, QPointF local);
    QPointF pointerOn(QScreen *screen) const;
    std::optional<QRectF> maxFrame() const { return m_geometry.maxFrame; }
    void setMaxFrame(const std::optional<QRectF> &frame) { m_geometry.maxFrame = frame; }
    QSizeF tempOffset() const { return m_geometry.tempOffset; }
    // One step of a drag over an overlay (points local to that screen).
    void dragChanged(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                     const QList<QPointF> &points, QScreen *screen);
    void dragEnded(QScreen *screen);
    void resizeCropArea(const std::optional<QPointF> &start, const std::optional<QPointF> &end, bool squareAllowed);
    void moveCropArea(QSizeF translation);
    void endMoveCropArea();
    void endCropDrag();
    // Window choosing: the chosen window's frame (local to `screen`, cut to it)
    // becomes the crop area.
    void chooseWindow(QScreen *screen, const QRectF &localBounds);

    // ---- cursors ----------------------------------------------------------
    QCursor toolCursor() const { return overlayCursors::toolCursor(model()); }
    // The cursor for the pointer at `location` over the overlay `view`.
    QCursor cursorAt(QWidget *view, QPointF location) const {
        return overlayCursors::cursorAt(model(), view, location);
    }

    // ---- drawn objects ----------------------------------------------------
    // The life of the drawn objects of the capture (building, keeping, selecting,
    // moving and reshaping them, with undo).
    DrawnEditor &tools() { return m_tools; }
    void selectTool(Tool tool);
    void finishEditing() override;
    void appendTool(const DrawnPtr &tool);
    void removeTool(const DrawnPtr &tool);
    void commitDrawingTool(bool selectAfterwards);
    void undo();
    void redo();

    // ---- outputs ----------------------------------------------------------
    void copyAction() { m_outputs.copyAction(); }
    void copyAsTextAction() { m_outputs.copyAsTextAction(); }
    void saveImageAction() { m_outputs.saveImageAction(); }
    // Hands the capture to the cloud service (signed in) or offers it for saving.
    void uploadAction() { m_outputs.uploadAction(); }
    // Offers already-rendered PNG data through a save dialog.
    void saveImageData(const QByteArray &pngData) { m_outputs.saveImageData(pngData); }

    // The exported picture of a crop: the snapshot with the drawn objects and the
    // local watermark. `renderPlainImage` is the cloud's picture, `renderTextImage`
    // the one read for its text.
    QImage renderImage(QScreen *screen, const QImage &snapshot, const QImage &small, const QList<DrawnPtr> &tools,
                       const QRectF &crop) const {
        return m_outputs.renderImage(screen, snapshot, small, tools, crop);
    }
    QImage renderPlainImage(QScreen *screen, const QImage &snapshot, const QImage &small) const {
        return m_outputs.renderPlainImage(screen, snapshot, small);
    }
    QImage renderTextImage(const QImage &snapshot, const QRectF &crop) const {
        return m_outputs.renderTextImage(snapshot, crop);
    }

    // ---- screen recording -------------------------------------------------
    // The recording bar in its panel beside the crop area (brought to the front
    // when it is already there), and its closing.
    void showRecordControls();
    void closeRecordControls();
    QWidget *recordControlsWindow() const;
    // The save action with the video tool: asks where, finishes the movie and copies it there.
    void saveVideoAction();
    // A stroke over the recording, from its points so far, its start and the pointer.
    void recordingDrawChanged(const QList<QPointF> &points, QPointF start, QPointF current);
    void recordingDrawEnded();
    // What a running recording takes from the root window (global coordinates): none
    // while nothing is recorded. Our own windows keep out of it where they can.
    static std::optional<QRect> recordedArea();

    // Where the last copied capture is kept (per user, readable only by them).
    static QString lastScreenshotPath() { return CaptureOutputs::lastScreenshotPath(); }

Q_SIGNALS:
    void snapshotsChanged();
    void snapshotsSmallQualityChanged();
    void hightlightWindowsChanged();
    // A capture opened or closed (tests, diagnostics).
    void overlayOpened();
    void overlayClosed();

private:
    explicit DrawCore(QObject *parent = nullptr);
    // A recording that could not start or ended by itself: the user reads why.
    void tellRecordingFailed(const QString &message);
    // CaptureOutputs::Capture
    DrawViewModel &model() const override;
    QImage snapshot(QScreen *screen) const override {
        ensureOpaque(screen);
        return m_snapshots.value(screen);
    }
    QImage smallSnapshot(QScreen *screen) const override { return m_snapshotsSmallQuality.value(screen); }
    QWidget *overlayWindow(QScreen *screen) const override;
    int generation() const override { return m_generation; }

    void createCropWindow(QScreen *screen, QScreen *underMouse);
    // Closing: the overlay windows are hidden and kept for the next capture on their
    // screen; those of screens that went away are not kept.
    void parkWindows();
    void dropWindowsOfGoneScreens();
    // The snapshots, window lists and drag state of the capture that closes.
    void forgetCapture();
    void startLowQualityCopy(QScreen *screen);
    // A drag's step before a crop area exists draws the crop area; after, a drawn
    // object of the current tool kind (built from the drag by `objectForDrag`).
    void dragCropArea(const std::optional<QPointF> &start, const std::optional<QPointF> &current, QScreen *screen);
    void dragObject(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                    const QList<QPointF> &points);
    DrawnPtr objectForDrag(Tool tool, QPointF start, const std::optional<QPointF> &current,
                           const QList<QPointF> &points);
    QWidget *dialogParent(QScreen *screen) const;
    // The bar's panel moved out of the crop area where a place outside exists.
    void placeRecordControls();
    // Puts the close question outside the recorded area (it may change its parent);
    // where there is no such place it pauses the frames while the question is open
    // and answers true: the answer then decides whether they resume.
    bool keepQuestionOutOfMovie(QWidget *question);
    void resumeAfterQuestion();
    // A recording over the whole crop screen leaves nothing of its frozen picture in
    // sight: the picture waits packed, and the pixelated copy is dropped (it is made
    // again when needed), so the screen's memory goes to the recording. Back when the
    // recording ends with the capture still open.
    void parkSnapshotForRecording();
    void unparkSnapshot();
    void bringSnapshotBack();
    void releaseParkedMemory();
    void followPauseWhileParked();
    void bringSnapshotBackForTool();

    QPointer<QWidget> m_recordControlsWindow;
    QMap<QScreen *, QPointer<CropWindow>> m_windows;
    // Overlay windows of the last capture, hidden, waiting for the next one.
    QMap<QScreen *, QPointer<CropWindow>> m_parkedWindows;
    QMap<QScreen *, QImage> m_snapshots;
    // Snapshots whose alpha bytes are not set yet, and the passes setting them.
    mutable QSet<QScreen *> m_opaquePending;
    mutable QMap<QScreen *, QFuture<void>> m_opaquePasses;
    QMap<QScreen *, QImage> m_snapshotsSmallQuality;
    PackedPicture m_parkedSnapshot;
    QPointer<QScreen> m_parkedScreen;
    QPointer<CropWindow> m_parkedWindow;
    int m_parkedGeneration = 0;
    QMap<QScreen *, QList<Window>> m_hightlightWindows;
    OverlayGeometry m_geometry;
    OverlayDrawnHost m_drawnHost{*this};
    DrawnEditor m_tools{m_drawnHost};
    CaptureOutputs m_outputs{*this};
    // The video tool's windows over the overlay, from the first capture on.
    StreamWindowHost *m_streamWindows = nullptr;
    QTimer m_releaseMemory;
    bool m_closeAlertShown = false;
    bool m_compressedMoves = true; // the toolkit's merging of pointer moves, outside a capture
    bool m_skipToolCreation = false;
    bool m_moveRecorded = false;
    int m_generation = 0; // which capture background work belongs to
    QPointer<QScreen> m_pointerScreen;
    QPointF m_pointer;
};

} // namespace qn
