#include "capture/CaptureOutputs.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointTool.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "app/state/SoundsCore.h"
#include "capture/ImageEncoding.h"
#include "capture/OverlayNotices.h"
#include "capture/SaveDialog.h"
#include "capture/SnapshotView.h"
#include "capture/SnapshotWithCommentsView.h"
#include "cloud/APICore.h"
#include "platform/Analytics.h"
#include "platform/Background.h"
#include "platform/ClipboardOwner.h"
#include "platform/Diagnostics.h"
#include "platform/Ocr.h"
#include "platform/SafeFile.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent>
#include <malloc.h>

namespace qn {

namespace {
// Both copy events start with the Cyrillic letter "с" (U+0441), as the analytics
// account has always received them.
const QString kCopyEvent = QString::fromUtf8("\xd1\x81opy_to_\xd1\x81lipboard");
const QString kCopyTextEvent = QString::fromUtf8("\xd1\x81opy_to_\xd1\x81lipboard_as_text");
const QString kSaveEvent = QStringLiteral("save_to_mac");

// Writes the bytes to `path` through a temporary file that replaces it only when
// complete, so a full disk never leaves half a file. Returns the error, or empty.
QString writeAtomically(const QString &path, const QByteArray &bytes, bool privateFile) {
    if (bytes.isEmpty())
        return QStringLiteral("the image could not be encoded");
    return safeFile::write(path, bytes, privateFile ? safeFile::Mode::PrivateFile : safeFile::Mode::UserFile);
}

// Pictures are offered as PNG first; the bytes follow the type the name ends with.
QFileDialog *makeSaveDialog(QWidget *parent, const QString &name) {
    return saveDialog::make(parent, QStandardPaths::PicturesLocation,
                            {{QStringLiteral("PNG image"), {QStringLiteral("png")}},
                             {QStringLiteral("JPEG image"), {QStringLiteral("jpg"), QStringLiteral("jpeg")}}},
                            name + QStringLiteral(".png"));
}
} // namespace

CaptureOutputs::CaptureOutputs(Capture &capture, QObject *parent) : QObject(parent), m_capture(capture) {}

// ---------------------------------------------------------------- rendering

QImage CaptureOutputs::renderImage(QScreen *, const QImage &snapshot, const QImage &small, const QList<DrawnPtr> &tools,
                                   const QRectF &crop) const {
    SnapshotView view{snapshot, small, tools, model().whiteboard(), crop, false, false};
    const QImage picture = view.render(Models::shared().settingsModel());
    QList<PointTool> points;
    for (const DrawnPtr &tool : tools)
        if (const auto *point = dynamic_cast<const PointTool *>(tool.get()))
            points.append(*point);
    if (picture.isNull() || points.isEmpty())
        return picture;
    const SettingsModel *settings = Models::shared().settingsModel();
    SnapshotWithCommentsView sheet;
    sheet.image = picture;
    sheet.tools = points;
    sheet.appearance = settings->appearance();
    sheet.localWatermark = settings->localWatermark();
    sheet.logo = settings->logo();
    return sheet.render();
}

QImage CaptureOutputs::renderPlainImage(QScreen *, const QImage &snapshot, const QImage &small) const {
    SnapshotView view{snapshot, small, model().drawedTools(), model().whiteboard(), model().croppedArea(), true, false};
    return view.render(Models::shared().settingsModel());
}

QImage CaptureOutputs::renderTextImage(const QImage &snapshot, const QRectF &crop) const {
    SnapshotView view{snapshot, QImage(), model().drawedTools(), model().whiteboard(), crop, true, true};
    return view.render(nullptr);
}

QString CaptureOutputs::lastScreenshotPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.cache/Quillnest");
    safeFile::ensurePrivateFolder(folder);
    return folder + QStringLiteral("/last-screenshot.png");
}

// ---------------------------------------------------------------- outputs

void CaptureOutputs::showNotice(const QString &text) {
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("noticeText"));
    overlayNotices::show(std::nullopt, true, label);
}

void CaptureOutputs::announceCopied(const QString &notice) {
    const SettingsModel &settings = *Models::shared().settingsModel();
    if (!settings.muted())
        SoundsCore::playScreenshotSound();
    if (settings.showNotifications())
        showNotice(notice);
}

bool CaptureOutputs::refuseEmptyCrop() {
    QScreen *screen = model().cropScreen();
    const QImage snapshot = m_capture.snapshot(screen);
    if (!screen || snapshot.isNull() || !m_capture.isOpen())
        return false;
    const QRect pixels = imageEncoding::pixelRect(model().croppedArea(), snapshot.devicePixelRatio());
    if (!pixels.intersected(snapshot.rect()).isEmpty())
        return false;
    diagnostics::report(diagnostics::nothingToOutput());
    showNotice(QStringLiteral("The selected area is empty. Drag out a bigger one."));
    // Handles of an empty crop sit on one point; with nothing drawn yet, the next drag
    // starts a new crop instead.
    if (model().drawedTools().isEmpty()) {
        model().setCroppedArea(QRectF());
        model().setCropScreen(nullptr);
    }
    return true;
}

std::optional<CaptureOutputs::OutputSource> CaptureOutputs::takeOutputSource() {
    m_capture.finishEditing();
    if (refuseEmptyCrop())
        return std::nullopt;
    QScreen *screen = model().cropScreen();
    OutputSource source{screen, m_capture.snapshot(screen), m_capture.smallSnapshot(screen), model().croppedArea()};
    if (!screen || source.snapshot.isNull()) {
        m_capture.closeOverlay(true, true);
        return std::nullopt;
    }
    m_capture.closeOverlay(false, true);
    return source;
}

void CaptureOutputs::copyAction() {
    const auto source = takeOutputSource();
    if (!source)
        return;
    QTimer::singleShot(0, this, [this, s = *source] {
        Analytics::shared().logEvent(kCopyEvent);
        const QImage image = renderImage(s.screen, s.snapshot, s.small, model().drawedTools(), s.crop);
        model().reset();
        if (image.isNull()) {
            diagnostics::report(diagnostics::nothingToCopy());
            return;
        }
        runInBackground(
            this, [image] { return imageEncoding::pngData(image); },
            [this](const QByteArray &png) { finishCopy(png); });
    });
}

void CaptureOutputs::finishCopy(const QByteArray &png) {
    if (png.isEmpty()) {
        diagnostics::report(diagnostics::notEncoded());
        return;
    }
    ClipboardOwner::shared().setPng(png);
    const QString path = lastScreenshotPath();
    (void)QtConcurrent::run([png, path] {
        if (!writeAtomically(path, png, true).isEmpty())
            diagnostics::report(diagnostics::lastScreenshotNotWritten());
    });
    announceCopied(QStringLiteral("Screenshot copied to Clipboard!"));
    diagnostics::report(diagnostics::copiedPng(png.size()));
    // The rendered picture and the encoder's buffers are gone by now; only the PNG the
    // clipboard offers is kept. What the allocator still holds of them goes back.
    QTimer::singleShot(0, this, [] { malloc_trim(0); });
}

void CaptureOutputs::copyAsTextAction() {
    m_capture.finishEditing();
    if (m_readingText || refuseEmptyCrop())
        return;
    QScreen *screen = model().cropScreen();
    const QImage snapshot = m_capture.snapshot(screen);
    if (!screen || snapshot.isNull()) {
        m_capture.closeOverlay(true, true);
        return;
    }
    // The capture stays open while the text is read: when there is none, the user is
    // told and can pick another area.
    const QImage image = renderTextImage(snapshot, model().croppedArea());
    if (image.isNull()) {
        refuseEmptyCrop();
        return;
    }
    m_readingText = true;
    const int generation = m_capture.generation();
    diagnostics::report(diagnostics::readingText());
    runInBackground(
        this, [image] { return recognizeText(image); },
        [this, generation](const QString &text) { finishCopyAsText(text, generation); });
}

void CaptureOutputs::finishCopyAsText(const QString &text, int generation) {
    m_readingText = false;
    // Closed or copied otherwise while the text was read: the user has moved on, and
    // a late text must not replace what they copied since.
    if (!m_capture.isOpen() || generation != m_capture.generation()) {
        diagnostics::report(diagnostics::textReadTooLate());
        return;
    }
    if (text.isEmpty()) {
        // The clipboard keeps what it held: nothing was found to replace it.
        diagnostics::report(diagnostics::noTextFound());
        showNotice(QStringLiteral("No text found in the selected area."));
        return;
    }
    m_capture.closeOverlay(false, true);
    model().reset();
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    Analytics::shared().logEvent(kCopyTextEvent);
    announceCopied(QStringLiteral("Text copied to Clipboard!"));
    diagnostics::report(diagnostics::copiedText(text.size()));
}

void CaptureOutputs::saveImageAction() {
    m_capture.finishEditing();
    if (refuseEmptyCrop())
        return;
    // The crop screen's picture, wherever the pointer is when saving.
    QScreen *screen = model().cropScreen();
    QWidget *window = m_capture.overlayWindow(screen);
    const QImage snapshot = m_capture.snapshot(screen);
    if (!screen || !window || snapshot.isNull()) {
        m_capture.closeOverlay(true, true);
        return;
    }
    QFileDialog *dialog = makeSaveDialog(window, model().screenshotName());
    QPointer<QScreen> target(screen);
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, target, snapshot] {
        const QString path = saveDialog::chosenPath(dialog);
        if (path.isEmpty())
            return;
        const QImage image = renderImage(target, snapshot, m_capture.smallSnapshot(target), model().drawedTools(),
                                         model().croppedArea());
        m_capture.closeOverlay(false, true);
        model().reset();
        if (image.isNull()) {
            diagnostics::report(diagnostics::nothingToSave());
            return;
        }
        writeImageFile(path, image, imageEncoding::isJpegFileName(path));
    });
    dialog->open();
}

void CaptureOutputs::writeImageFile(const QString &path, const QImage &image, bool jpeg) {
    runInBackground(
        this,
        [image, path, jpeg] {
            const QByteArray bytes = jpeg ? imageEncoding::jpegData(image) : imageEncoding::pngData(image);
            return writeAtomically(path, bytes, false);
        },
        [this, path, image](const QString &error) {
            if (error.isEmpty()) {
                Analytics::shared().logEvent(kSaveEvent);
                diagnostics::report(diagnostics::saved(path));
                return;
            }
            // The capture is not lost: the notice offers it for saving elsewhere. Its
            // text is short, so that the system's reason shows whole.
            diagnostics::report(diagnostics::saveFailed(path, error));
            overlayNotices::showError(imageEncoding::pngData(image), QStringLiteral("Not saved: ") + error);
        });
}

void CaptureOutputs::saveImageData(const QByteArray &pngData) {
    QFileDialog *dialog = makeSaveDialog(nullptr, model().screenshotName());
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, pngData] {
        const QString path = saveDialog::chosenPath(dialog);
        if (path.isEmpty())
            return;
        QImage image;
        image.loadFromData(pngData, "PNG");
        if (image.isNull()) {
            diagnostics::report(diagnostics::imageToSaveUnreadable());
            return;
        }
        writeImageFile(path, image, imageEncoding::isJpegFileName(path));
    });
    dialog->open();
}

void CaptureOutputs::uploadAction() {
    const auto source = takeOutputSource();
    if (!source)
        return;
    QTimer::singleShot(0, this, [this, s = *source] { uploadImage(s); });
}

void CaptureOutputs::uploadImage(const OutputSource &s) {
    const QList<DrawnPtr> tools = model().drawedTools();
    // The cloud's picture carries no comments column: the points travel as data.
    const QImage image = renderPlainImage(s.screen, s.snapshot, s.small);
    if (image.isNull()) {
        diagnostics::report(diagnostics::nothingToUpload());
    } else {
        APICore &api = APICore::shared();
        const bool signedIn = Models::shared().settingsModel()->signedIn();
        if (signedIn && api.isServiceReachable()) {
            const qreal scale = s.screen ? s.screen->devicePixelRatio() : image.devicePixelRatio();
            QPointer<CaptureOutputs> self(this);
            api.uploadImage(image, std::nullopt, std::nullopt, scale, s.crop, commentPointsOf(tools),
                            [self, s, tools](APICore::UploadResult result) {
                                if (!self)
                                    return;
                                if (result.ok()) {
                                    const auto &draft = result.value();
                                    diagnostics::report(diagnostics::uploaded());
                                    overlayNotices::showUploaded(draft ? draft->draft_url : std::nullopt);
                                    return;
                                }
                                self->uploadFailed(s, tools, result.error().description(),
                                                   result.error().isQlntError());
                            });
            diagnostics::report(diagnostics::uploadStarted());
        } else {
            keepForSaving(s, signedIn);
        }
    }
    model().reset();
}

void CaptureOutputs::keepForSaving(const OutputSource &s, bool signedIn) {
    const QImage image = renderImage(s.screen, s.snapshot, s.small, model().drawedTools(), s.crop);
    const QByteArray png = imageEncoding::pngData(image);
    if (png.isEmpty()) {
        diagnostics::report(diagnostics::notEncoded());
        return;
    }
    (void)QtConcurrent::run([png, path = lastScreenshotPath()] {
        if (!writeAtomically(path, png, true).isEmpty())
            diagnostics::report(diagnostics::lastScreenshotNotWritten());
    });
    if (!signedIn) {
        overlayNotices::showSignInRequired(png);
        return;
    }
    // Offline: the capture is offered for saving even when the network has come back
    // in the meantime, so that it is never dropped without a word.
    overlayNotices::showNoInternet(png);
}

void CaptureOutputs::uploadFailed(const OutputSource &s, const QList<DrawnPtr> &tools, const QString &error,
                                  bool ownError) {
    if (!ownError)
        diagnostics::report(diagnostics::failure(error));
    // The capture as it was uploaded, drawn objects included, offered for saving.
    const QByteArray png = imageEncoding::pngData(renderImage(s.screen, s.snapshot, s.small, tools, s.crop));
    overlayNotices::showError(png.isEmpty() ? std::nullopt : std::optional<QByteArray>(png), error);
}

} // namespace qn
