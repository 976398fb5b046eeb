#pragma once
#include "annotation/BaseTool.h"
#include "annotation/Tool.h"
#include "annotation/DrawnEditor.h"
#include "capture/OverlayGeometry.h"
#include "capture/OverlayDrawnHost.h"
#include "capture/Window.h"

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <QScreen>
#include <QPointer>
#include <QSizeF>
#include <QTimer>
#include <optional>

class QScreen;
class QWidget;

namespace qn {

class CropWindow;
class DrawViewModel;

// The overlay controller: freezes every screen under an overlay window of its own,
// turns drags into the crop area, and runs the output actions (copy, copy as text,
// save). Everything runs on the GUI thread; encoding, text recognition and file
// writes run on the thread pool and come back here.
class DrawCore : public QObject {
    Q_OBJECT
public:
    static DrawCore &shared();

    // ---- capture life cycle ------------------------------------------------
    // Starts a capture; does nothing while one is open.
    void createDrawController();
    // Makes the overlay windows ahead of the first capture (at start-up), so that it
    // opens as fast as any later one.
    void prepareOverlays();
    // How long after a capture closes its large buffers are kept for the next one
    // (QUILLNEST_KEEP_OVERLAY_MS overrides it, for tests).
    static constexpr int kKeepMemoryAfterCapture = 20'000; // ms
    // Gives back the hidden overlays' frame buffers and the screens' shared memory.
    void releaseOverlayMemory();
    // Esc and the close button: closes at once when there is nothing to lose, else
    // asks "Are you sure?" first (once: a second request while asking does nothing).
    void requestClose(bool ask = true);
    // Closes the overlay windows; `clearState` forgets the snapshots and the drag
    // state, `resetModel` resets the editor state.
    void closeOverlay(bool resetModel, bool clearState);
    bool isOpen() const { return !m_windows.isEmpty(); }
    // Keeps the keys with the open overlay (not while the live screen is recorded, when
    // the user works in the windows under it). The pointer is held from the opening on.
    // `pointerToo`: also the pointer, when holding it at the opening failed.
    void holdInput(bool pointerToo = false);
    // The gesture under way on any overlay takes a step at this global position.
    void catchUpPointer(QPoint global);
    QScreen *mouseScreen() const;

    QMap<QScreen *, QImage> snapshots() const { return m_snapshots; }
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
    QCursor toolCursor() const;
    // The cursor for the pointer at `location` over the overlay `view`.
    QCursor cursorAt(QWidget *view, QPointF location) const;

    // ---- drawn objects ----------------------------------------------------
    // The life of the drawn objects of the capture (building, keeping, selecting,
    // moving and reshaping them, with undo).
    DrawnEditor &tools() { return m_tools; }
    void selectTool(Tool tool);
    void finishEditing();
    void appendTool(const DrawnPtr &tool);
    void removeTool(const DrawnPtr &tool);
    void commitDrawingTool(bool selectAfterwards);
    void undo();
    void redo();

    // ---- outputs ----------------------------------------------------------
    void copyAction();
    void copyAsTextAction();
    void saveImageAction();
    // Hands the capture to the cloud service (signed in) or offers it for saving.
    void uploadAction();
    // Offers already-rendered PNG data through a save dialog.
    void saveImageData(const QByteArray &pngData);

    // The exported picture of a crop: the snapshot with the drawn objects and the
    // local watermark. `renderPlainImage` is the cloud's picture, `renderTextImage`
    // the one read for its text.
    QImage renderImage(QScreen *screen, const QImage &snapshot, const QImage &small, const QList<DrawnPtr> &tools,
                       const QRectF &crop) const;
    QImage renderPlainImage(QScreen *screen, const QImage &snapshot, const QImage &small) const;
    QImage renderTextImage(const QImage &snapshot, const QRectF &crop) const;

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

    // Where the last copied capture is kept (per user, readable only by them).
    static QString lastScreenshotPath();

Q_SIGNALS:
    void snapshotsChanged();
    void snapshotsSmallQualityChanged();
    void hightlightWindowsChanged();
    // A capture opened or closed (tests, diagnostics).
    void overlayOpened();
    void overlayClosed();

private:
    explicit DrawCore(QObject *parent = nullptr);
    DrawViewModel &model() const;
    void createCropWindow(QScreen *screen, QScreen *underMouse);
    void startLowQualityCopy(QScreen *screen);
    void finishCopy(const QByteArray &png);
    void writeImageFile(const QString &path, const QImage &image, bool jpeg);
    void showNotice(const QString &text);
    // An output asked for on a crop with no pixels: says so and keeps the capture open.
    bool refuseEmptyCrop();
    // A copy is confirmed by the screenshot sound and, when the user wants them, a notice.
    void announceCopied(const QString &notice);
    QWidget *dialogParent(QScreen *screen) const;
    // What an output works from, taken before the overlay closes (the editor state
    // is kept until the output has rendered).
    struct OutputSource {
        QPointer<QScreen> screen;
        QImage snapshot;
        QImage small;
        QRectF crop;
    };
    // Finishes the edit and closes the overlay; none (and the capture closed) when
    // there is nothing to output.
    std::optional<OutputSource> takeOutputSource();
    // The upload of a closed capture, and what becomes of it when it cannot go.
    void uploadImage(const OutputSource &source);
    void keepForSaving(const OutputSource &source, bool signedIn);
    void uploadFailed(const OutputSource &source, const QList<DrawnPtr> &tools, const QString &error, bool ownError);

    QPointer<QWidget> m_recordControlsWindow;
    QMap<QScreen *, QPointer<CropWindow>> m_windows;
    // Overlay windows of the last capture, hidden, waiting for the next one.
    QMap<QScreen *, QPointer<CropWindow>> m_parkedWindows;
    QMap<QScreen *, QImage> m_snapshots;
    QMap<QScreen *, QImage> m_snapshotsSmallQuality;
    QMap<QScreen *, QList<Window>> m_hightlightWindows;
    OverlayGeometry m_geometry;
    OverlayDrawnHost m_drawnHost{*this};
    DrawnEditor m_tools{m_drawnHost};
    QTimer m_releaseMemory;
    bool m_closeAlertShown = false;
    bool m_readingText = false; // "Copy as Text" is reading the crop
    bool m_compressedMoves = true; // the toolkit's merging of pointer moves, outside a capture
    bool m_skipToolCreation = false;
    bool m_moveRecorded = false;
    int m_generation = 0; // which capture background work belongs to
    QPointer<QScreen> m_pointerScreen;
    QPointF m_pointer;
};

} // namespace qn
