#pragma once
#include "annotation/BaseTool.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QScreen>
#include <QString>
#include <optional>

class QWidget;

namespace qn {

class DrawViewModel;

// What a capture gives out: the exported picture, the clipboard copy, the copy as
// text, the saved file, the upload, and the capture kept for saving when an upload
// cannot go. It works from the open capture through `Capture` and closes it when an
// output takes it away; encoding, text recognition and file writes run on the
// thread pool and come back here.
class CaptureOutputs : public QObject {
    Q_OBJECT
public:
    // The open capture as the outputs see it.
    class Capture {
    public:
        virtual ~Capture() = default;
        virtual DrawViewModel &model() const = 0;
        virtual bool isOpen() const = 0;
        // The frozen screen and its low-quality copy (null when there is none).
        virtual QImage snapshot(QScreen *screen) const = 0;
        virtual QImage smallSnapshot(QScreen *screen) const = 0;
        // The overlay window of `screen`, which dialogs belong to; null without one.
        virtual QWidget *overlayWindow(QScreen *screen) const = 0;
        // Ends the edit under way, so that the drawn objects are complete.
        virtual void finishEditing() = 0;
        virtual void closeOverlay(bool resetModel, bool clearState) = 0;
        // Which capture is open; background work of an earlier one is dropped.
        virtual int generation() const = 0;
    };

    explicit CaptureOutputs(Capture &capture, QObject *parent = nullptr);

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

    // Where the last copied capture is kept (per user, readable only by them).
    static QString lastScreenshotPath();

    // An output asked for on a crop with no pixels: says so and keeps the capture open.
    bool refuseEmptyCrop();
    // A short text notice beside the tray (also what went wrong with the movie's saving).
    void showNotice(const QString &text);

private:
    DrawViewModel &model() const { return m_capture.model(); }
    void finishCopy(const QByteArray &png);
    // The text read from the capture `generation` opened as.
    void finishCopyAsText(const QString &text, int generation);
    void writeImageFile(const QString &path, const QImage &image, bool jpeg);
    // A copy is confirmed by the screenshot sound and, when the user wants them, a notice.
    void announceCopied(const QString &notice);
    // What an output works from, taken before the overlay closes (the editor state
    // is kept until the output has rendered).
    struct OutputSource {
        QPointer<QScreen> screen;
        QImage snapshot;
        QImage small;
        QRectF crop;
    };
    // Finishes the edit and closes the overlay; none when the crop is empty (the
    // capture stays open, with a notice) or there is nothing to output (it closes).
    std::optional<OutputSource> takeOutputSource();
    // The upload of a closed capture, and what becomes of it when it cannot go.
    void uploadImage(const OutputSource &source);
    void keepForSaving(const OutputSource &source, bool signedIn);
    void uploadFailed(const OutputSource &source, const QList<DrawnPtr> &tools, const QString &error, bool ownError);

    Capture &m_capture;
    bool m_readingText = false; // "Copy as Text" is reading the crop
};

} // namespace qn
