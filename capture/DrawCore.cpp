#include "capture/DrawCore.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointTool.h"
#include "annotation/ToolGeometry.h"
#include "app/Helper.h"
#include "app/Models.h"
#include "app/SettingsModel.h"
#include "app/SoundsCore.h"
#include "app/TrayNotificationsManager.h"
#include "capture/CropHandles.h"
#include "capture/CropWindow.h"
#include "capture/DrawView.h"
#include "capture/ImageEncoding.h"
#include "capture/SnapshotView.h"
#include "capture/SnapshotWithCommentsView.h"
#include "capture/StreamWindowHost.h"
#include "capture/WindowsCore.h"
#include "cloud/APICore.h"
#include "platform/Analytics.h"
#include "platform/Background.h"
#include "platform/ClipboardOwner.h"
#include "platform/Diagnostics.h"
#include "platform/Ocr.h"
#include "platform/OverlayInput.h"
#include "platform/SafeFile.h"
#include "platform/ScreenGrabber.h"
#include "recording/RecordModel.h"
#include "recording/VideoRecorderCore.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineF>
#include <QWindow>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QtConcurrent>
#include <cstdio>
#include <limits>
#include <malloc.h>

namespace qn {

namespace {
// Both copy events start with the Cyrillic letter "с" (U+0441), as the analytics
// account has always received them.
const QString kCopyEvent = QString::fromUtf8("\xd1\x81opy_to_\xd1\x81lipboard");
const QString kCopyTextEvent = QString::fromUtf8("\xd1\x81opy_to_\xd1\x81lipboard_as_text");
const QString kSaveEvent = QStringLiteral("save_to_mac");

void diagnostic(const QString &line) {
    std::printf("capture: %s\n", qPrintable(line));
    std::fflush(stdout);
}

// The crop area as it stands after a gesture, for the tests that drive the overlay.
void reportCrop(const QRectF &r) {
    if (diagnostics::enabled())
        diagnostic(QStringLiteral("crop area %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
}

// The corner of `r` nearest to `location` (bottom-right without one); on a tie the
// first in the order top-left, top-right, bottom-right, bottom-left.
CornerType nearestCorner(const QRectF &r, const std::optional<QPointF> &location) {
    if (!location)
        return CornerType::BottomRight;
    CornerType best = CornerType::TopLeft;
    double bestDistance = std::numeric_limits<double>::max();
    for (CornerType c : {CornerType::TopLeft, CornerType::TopRight, CornerType::BottomRight, CornerType::BottomLeft}) {
        const double d = QLineF(cornerOf(r, c), *location).length();
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

QCursor named(const char *name, QPointF hot = {14, 14}) { return DrawViewModel::imageCursor(QLatin1String(name), hot); }

// Writes the bytes to `path` through a temporary file that replaces it only when
// complete, so a full disk never leaves half a file. Returns the error, or empty.
QString writeAtomically(const QString &path, const QByteArray &bytes, bool privateFile) {
    if (bytes.isEmpty())
        return QStringLiteral("the image could not be encoded");
    return safeFile::write(path, bytes, privateFile ? safeFile::Mode::PrivateFile : safeFile::Mode::UserFile);
}

bool isTextEditor(QWidget *w) {
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QTextEdit *>(w) || qobject_cast<QPlainTextEdit *>(w);
}

QFileDialog *makeSaveDialog(QWidget *parent, const QString &name) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    auto *dialog = new QFileDialog(parent, QStringLiteral("Save"), folder);
    // Our own dialog: it stacks above the overlay and behaves the same everywhere.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({QStringLiteral("PNG image (*.png)"), QStringLiteral("JPEG image (*.jpg *.jpeg)")});
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->selectFile(name + QStringLiteral(".png"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString &filter) {
        const bool jpeg = filter.startsWith(QLatin1String("JPEG"));
        dialog->setDefaultSuffix(jpeg ? QStringLiteral("jpg") : QStringLiteral("png"));
        // The proposed name follows the chosen type unless the user typed one of their own.
        const QStringList chosen = dialog->selectedFiles();
        if (!chosen.isEmpty()) {
            QFileInfo info(chosen.first());
            dialog->selectFile(info.completeBaseName() + (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png")));
        }
    });
    return dialog;
}

// The chosen file and whether it is to hold JPEG bytes: a .jpg/.jpeg name or the
// JPEG filter with a name without a type of its own.
std::pair<QString, bool> chosenFile(QFileDialog *dialog) {
    QString path = dialog->selectedFiles().value(0);
    const bool jpegFilter = dialog->selectedNameFilter().startsWith(QLatin1String("JPEG"));
    if (QFileInfo(path).suffix().isEmpty())
        path += jpegFilter ? QStringLiteral(".jpg") : QStringLiteral(".png");
    return {path, imageEncoding::isJpegFileName(path)};
}
} // namespace

DrawCore &DrawCore::shared() {
    static DrawCore core;
    return core;
}

DrawCore::DrawCore(QObject *parent) : QObject(parent) {
    model().setToolCursorProvider([this] { return toolCursor(); });
    // Menus and dialogs take the devices for themselves and give them back to no one:
    // the overlay takes them again when one of our windows gets the focus back.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        if (window && isOpen())
            holdInput();
    });
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, this, [this] {
        if (Models::shared().recordModel()->isRecording()) {
            overlayInput::release();
        } else if (isOpen()) {
            overlayInput::holdPointer();
            holdInput();
        }
    });
    m_releaseMemory.setSingleShot(true);
    bool overridden = false;
    const int keep = qEnvironmentVariableIntValue("QUILLNEST_KEEP_OVERLAY_MS", &overridden);
    m_releaseMemory.setInterval(overridden && keep >= 0 ? keep : kKeepMemoryAfterCapture);
    connect(&m_releaseMemory, &QTimer::timeout, this, &DrawCore::releaseOverlayMemory);
}

void DrawCore::holdInput(bool pointerToo) {
    if (!isOpen() || Models::shared().recordModel()->isRecording())
        return;
    if (pointerToo && !overlayInput::holdingPointer()) {
        overlayInput::holdPointer();
        diagnostic(QStringLiteral("pointer held late: %1").arg(overlayInput::holdingPointer() ? "yes" : "no"));
    }
    // No hold while one of our popups or dialogs has the devices.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    CropWindow *window = m_windows.value(mouseScreen());
    if (!window)
        for (const auto &w : m_windows)
            if (w)
                window = w;
    if (window && window->windowHandle())
        overlayInput::holdKeyboard(window->windowHandle());
}

void DrawCore::catchUpPointer(QPoint global) {
    for (const auto &window : m_windows) {
        if (!window || !window->overlayScreen())
            continue;
        const QPointF local = QPointF(global - window->overlayScreen()->geometry().topLeft());
        if (window->view()->catchUpPointer(local))
            return;
    }
}

void DrawCore::releaseOverlayMemory() {
    if (isOpen())
        return;
    for (const auto &window : std::as_const(m_parkedWindows))
        if (window)
            window->releaseFrame();
    releaseScreenGrabMemory();
    malloc_trim(0);
    diagnostic(QStringLiteral("overlay memory released"));
}

DrawViewModel &DrawCore::model() const { return *Models::shared().drawViewModel(); }

QMap<QScreen *, CropWindow *> DrawCore::windows() const {
    QMap<QScreen *, CropWindow *> out;
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it)
        if (it.value())
            out.insert(it.key(), it.value());
    return out;
}

QScreen *DrawCore::mouseScreen() const { return QGuiApplication::screenAt(QCursor::pos()); }

// ---------------------------------------------------------------- life cycle

void DrawCore::createDrawController() {
    if (isOpen())
        return;
    m_releaseMemory.stop();
    ++m_generation;
    m_pointerScreen = nullptr;
    // The toolkit merges queued pointer moves into the last one, also across a key
    // event between them: a Space pressed mid-drag would then see the pointer's later
    // place. While a capture is open every move is handled, in order with the keys.
    m_compressedMoves = QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents);
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    model().setScreenshotName(Helper::screenshotFileName());
    QScreen *underMouse = mouseScreen();
    const QList<QScreen *> screens = QGuiApplication::screens();
    // Every screen is frozen before any overlay maps, so no overlay is in a picture.
    for (QScreen *screen : screens) {
        const QImage image = grabScreen(screen);
        if (image.isNull())
            m_snapshots.remove(screen);
        else
            m_snapshots.insert(screen, image);
    }
    Q_EMIT snapshotsChanged();
    for (QScreen *screen : screens)
        createCropWindow(screen, underMouse);
    if (!Models::shared().recordModel()->isRecording()) {
        overlayInput::holdPointer();
        holdInput();
    }
    // Listed once the overlays are up (they are left out of the list anyway), so the
    // frozen screens appear without waiting for the window manager's answers.
    for (QScreen *screen : screens)
        m_hightlightWindows.insert(screen, WindowsCore::shared().windowsOnDisplay(screen));
    Q_EMIT hightlightWindowsChanged();
    // The video tool's windows follow the overlay from its first capture on.
    StreamWindowHost::shared();
    Q_EMIT overlayOpened();
    diagnostic(QStringLiteral("overlay opened on %1 screen(s)").arg(screens.size()));
}

void DrawCore::prepareOverlays() {
    if (isOpen())
        return;
    for (QScreen *screen : QGuiApplication::screens()) {
        CropWindow *parked = m_parkedWindows.value(screen);
        if (parked && parked->geometry() == screen->geometry())
            continue;
        if (parked)
            parked->deleteLater();
        auto *window = new CropWindow(screen);
        window->prepare();
        m_parkedWindows.insert(screen, window);
    }
    // What the preparing used and let go is handed back, not kept while idle.
    malloc_trim(0);
}

void DrawCore::createCropWindow(QScreen *screen, QScreen *underMouse) {
    if (CropWindow *old = m_windows.value(screen)) {
        old->close();
        old->deleteLater();
    }
    // A window kept from the last capture opens far faster than a new one: its
    // native window and its backing store already exist.
    CropWindow *window = m_parkedWindows.take(screen);
    if (window && (window->overlayScreen() != screen || window->geometry() != screen->geometry())) {
        window->deleteLater();
        window = nullptr;
    }
    if (!window)
        window = new CropWindow(screen);
    m_windows.insert(screen, window);
    window->show();
    if (screen == underMouse)
        window->takeFocus();
    else
        window->raise();
}

void DrawCore::requestClose(bool ask) {
    if (m_closeAlertShown)
        return;
    // A movie still being written is work that a close would end.
    const bool recording = Models::shared().recordModel()->isRecording() || VideoRecorderCore::shared().isWriting();
    UndoManager *undo = model().undoManager();
    if (!ask || (!undo->canUndo() && !undo->canRedo() && !recording)) {
        closeOverlay(true, true);
        return;
    }
    QWidget *parent = dialogParent(mouseScreen());
    if (!parent)
        return;
    m_closeAlertShown = true;
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quillnest"), QStringLiteral("Are you sure?"),
                                QMessageBox::NoButton, parent);
    box->setInformativeText(QStringLiteral("Everything you\u2019ve done will be lost."));
    QPushButton *ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, ok] {
        m_closeAlertShown = false;
        if (box->clickedButton() == ok)
            closeOverlay(true, true);
    });
    box->open();
}

QWidget *DrawCore::dialogParent(QScreen *screen) const {
    if (CropWindow *w = m_windows.value(screen))
        return w;
    if (CropWindow *w = m_windows.value(model().cropScreen()))
        return w;
    for (const auto &w : m_windows)
        if (w)
            return w;
    return nullptr;
}

void DrawCore::closeOverlay(bool resetModel, bool clearState) {
    const bool wasOpen = isOpen();
    overlayInput::release();
    if (wasOpen)
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, m_compressedMoves);
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
        CropWindow *window = it.value();
        if (!window)
            continue;
        window->hide();
        // Kept hidden for the next capture while its screen is still there.
        if (screens.contains(it.key()) && window->overlayScreen() == it.key() && !m_parkedWindows.value(it.key()))
            m_parkedWindows.insert(it.key(), window);
        else
            window->deleteLater();
    }
    m_windows.clear();
    closeRecordControls();
    // Windows of screens that went away are not kept.
    for (auto it = m_parkedWindows.begin(); it != m_parkedWindows.end();) {
        if (!it.value() || !screens.contains(it.key())) {
            if (it.value())
                it.value()->deleteLater();
            it = m_parkedWindows.erase(it);
        } else {
            ++it;
        }
    }
    if (clearState) {
        m_hightlightWindows.clear();
        Q_EMIT hightlightWindowsChanged();
        m_snapshots.clear();
        Q_EMIT snapshotsChanged();
        m_snapshotsSmallQuality.clear();
        Q_EMIT snapshotsSmallQualityChanged();
        m_closeAlertShown = false;
        m_skipToolCreation = false;
        m_moveRecorded = false;
        m_geometry.endDrag();
        // A drag cut short by the close must not pin a cursor in the next capture.
        model().setCacheCursor(std::nullopt);
        model().setIsDrawing(false);
    }
    if (resetModel)
        model().reset();
    // Closing ends a recording: the movie is finished and stays in the recordings' folder.
    VideoRecorderCore::stopRecording();
    if (wasOpen) {
        // A capture frees tens of megabytes of pictures at once; hand them back to
        // the system once the windows are gone, so a tray program stays small.
        QTimer::singleShot(100, this, [] { malloc_trim(0); });
        // The hidden windows' frame buffers and the screens' shared memory (a whole
        // screen each) are kept a while longer: fresh memory costs the next capture
        // more than everything else it does, and captures often come in a row.
        m_releaseMemory.start();
        Q_EMIT overlayClosed();
        diagnostic(QStringLiteral("overlay closed"));
    }
}

void DrawCore::startLowQualityCopy(QScreen *screen) {
    if (!screen || m_snapshotsSmallQuality.contains(screen) || Models::shared().settingsModel()->autoUpload())
        return;
    const QImage snapshot = m_snapshots.value(screen);
    if (snapshot.isNull())
        return;
    const int generation = m_generation;
    QPointer<QScreen> target(screen);
    runInBackground(
        this, [snapshot] { return imageEncoding::lowQualityCopy(snapshot); },
        [this, generation, target](const QImage &small) {
            if (generation == m_generation && target && isOpen())
                setSnapshotSmallQuality(target, small);
        });
}

void DrawCore::setSnapshotSmallQuality(QScreen *screen, const QImage &image) {
    m_snapshotsSmallQuality.insert(screen, image);
    Q_EMIT snapshotsSmallQualityChanged();
}

QImage DrawCore::lowQualitySnapshot(QScreen *screen) {
    if (const QImage ready = m_snapshotsSmallQuality.value(screen); !ready.isNull())
        return ready;
    const QImage made = imageEncoding::lowQualityCopy(m_snapshots.value(screen));
    if (!made.isNull() && isOpen())
        setSnapshotSmallQuality(screen, made);
    return made;
}

// ---------------------------------------------------------------- drags

void DrawCore::notePointer(QScreen *screen, QPointF local) {
    m_pointerScreen = screen;
    m_pointer = local;
}

QPointF DrawCore::pointerOn(QScreen *screen) const {
    if (screen && m_pointerScreen == screen)
        return m_pointer;
    return screen ? QPointF(QCursor::pos(screen) - screen->geometry().topLeft()) : QPointF();
}

OverlayGeometry::Input DrawCore::geometryInput() const {
    OverlayGeometry::Input input;
    QScreen *screen = model().cropScreen();
    if (screen && m_windows.value(screen))
        input.pointer = pointerOn(screen);
    input.spaceKeyPoint = model().spaceKeyPoint();
    input.shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    return input;
}

void DrawCore::dragChanged(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                           const QList<QPointF> &points, QScreen *screen) {
    DrawViewModel &m = model();
    if (!m.isDrawing())
        m.setIsDrawing(true);
    const bool click = start && current && *start == *current;
    const Tool tool = m.tool();
    if (!m.hasCroppedArea()) {
        if (!start || !current) {
            m.setCroppedAreaDrawing(true);
            return;
        }
        if (!m.cropScreen()) {
            if (!screen) {
                m.setCroppedAreaDrawing(true);
                return;
            }
            m.setCropScreen(screen);
            startLowQualityCopy(screen);
        }
        QScreen *crop = m.cropScreen();
        m_geometry.maxFrame = QRectF(QPointF(0, 0), QSizeF(crop->geometry().size()));
        m.setTempCroppedArea(m_geometry.rectForHandleDrag(true, true, *start, *current, geometryInput()));
        m.setCroppedAreaDrawing(true);
        return;
    }
    // A crop area exists: the drag draws an object with the current tool.
    if (click && (m.activeTool() || m.drawingTool())) {
        if (tool == Tool::Text || tool == Tool::Point)
            m_skipToolCreation = true;
        finishEditing();
    }
    if (tool == Tool::Point && start && !m.croppedArea().contains(*start))
        m_skipToolCreation = true;
    if (m_skipToolCreation)
        return;
    if (start && !(click && tool != Tool::Point && tool != Tool::Text)) {
        std::optional<QPointF> a = start, b = current;
        QList<QPointF> list = points;
        if (tool == Tool::Text) {
            a = b = QPointF(start->x(), start->y() - 13);
            list.clear();
        } else if ((tool == Tool::Line || tool == Tool::Arrow) && current) {
            const QList<QPointF> ends = m_geometry.dragPointsFromMouse(*start, *current, geometryInput());
            a = ends.value(0);
            b = ends.value(1);
        } else if ((tool == Tool::Rectangle || tool == Tool::Oval || tool == Tool::Point || tool == Tool::Blur) &&
                   current) {
            const QRectF r = m_geometry.rectForHandleDrag(false, true, *start, *current, geometryInput());
            a = r.topLeft();
            b = r.bottomRight();
        }
        ToolPtr made = m_tools.makeTool(a, b, list, tool, true, std::nullopt);
        if (auto point = copyAs<PointTool>(made)) {
            // Numbered after the points already kept; the pin takes the corner nearest the pointer.
            int count = 0;
            for (const ToolPtr &t : m.drawedTools())
                count += t && t->type == Tool::Point;
            point->number = count + 1;
            point->pointCorner = nearestCorner(rectFromPoints(point->startPoint, point->endPoint, false, std::nullopt),
                                               current);
            made = point;
        }
        m.setDrawingTool(made);
    }
    if (!m.cacheCursor())
        m.setCacheCursor(toolCursor());
}

void DrawCore::dragEnded(QScreen *screen) {
    DrawViewModel &m = model();
    m.setIsDrawing(false);
    m.setSpaceKeyPoint(std::nullopt);
    m.setChooceWindowMode(false);
    m_skipToolCreation = false;
    m_geometry.tempStartLocation.reset();
    m_geometry.tempOffset = QSizeF();
    if (!m.hasCroppedArea()) {
        m.setCroppedArea(m.tempCroppedArea());
        m.setTempCroppedArea(QRectF());
        m.setCroppedAreaDrawing(false);
        m.setCursor(toolCursor());
        reportCrop(m.croppedArea());
        if (Models::shared().settingsModel()->autoUpload())
            QTimer::singleShot(0, this, [this] { uploadAction(); });
        else if (m.tool() == Tool::Video)
            showRecordControls();
        if (CropWindow *window = m_windows.value(screen))
            window->takeFocus();
    }
    if (const ToolPtr drawing = m.drawingTool()) {
        if (m.tool() == Tool::Point) {
            // The point stays in drawing for its comment card, which adds it.
            const ToolPtr rebuilt = m_tools.makeTool(drawing->startPoint, drawing->endPoint, drawing->points,
                                                     drawing->type, true, drawing->toolData());
            m.setDrawingTool(std::dynamic_pointer_cast<const PointTool>(rebuilt) ? rebuilt : nullptr);
        } else if (m.tool() != Tool::Text) {
            commitDrawingTool(true);
        }
    }
    if (m.tool() == Tool::Pointer)
        finishEditing();
    m.setCacheCursor(std::nullopt);
}

void DrawCore::resizeCropArea(const std::optional<QPointF> &start, const std::optional<QPointF> &end,
                              bool squareAllowed) {
    model().setCroppedAreaDrawing(true);
    if (!start || !end)
        return;
    model().setCroppedArea(m_geometry.rectForHandleDrag(true, squareAllowed, *start, *end, geometryInput()));
}

void DrawCore::moveCropArea(QSizeF translation) {
    if (Models::shared().recordModel()->isRecording())
        return;
    DrawViewModel &m = model();
    if (m.hasCroppedArea()) {
        m_geometry.tempLocations.insert(0, m.croppedArea().topLeft());
        m_geometry.tempLocations.insert(1, m.croppedArea().bottomRight());
    }
    if (m_geometry.tempLocations.contains(0) && m_geometry.tempLocations.contains(1)) {
        QRectF moved = QRectF(m_geometry.tempLocations.value(0), m_geometry.tempLocations.value(1))
                           .translated(translation.width(), translation.height());
        // The whole rectangle stops at the frame's edge and keeps its size.
        if (const auto frame = m_geometry.maxFrame) {
            moved.moveLeft(std::clamp(moved.left(), frame->left(), std::max(frame->left(), frame->right() - moved.width())));
            moved.moveTop(std::clamp(moved.top(), frame->top(), std::max(frame->top(), frame->bottom() - moved.height())));
        }
        m.setTempCroppedArea(moved);
    }
    if (m.hasCroppedArea())
        m.setCroppedArea(QRectF());
    if (!m.cacheCursor())
        m.setCacheCursor(named("close-hand"));
}

void DrawCore::endMoveCropArea() {
    DrawViewModel &m = model();
    m_geometry.tempLocations.clear();
    m.setCroppedArea(m.tempCroppedArea());
    m.setTempCroppedArea(QRectF());
    m.setCacheCursor(std::nullopt);
    reportCrop(m.croppedArea());
}

void DrawCore::endCropDrag() {
    DrawViewModel &m = model();
    m.setCroppedAreaDrawing(false);
    m.setSpaceKeyPoint(std::nullopt);
    m_geometry.tempStartLocation.reset();
    m_geometry.tempOffset = QSizeF();
    reportCrop(m.croppedArea());
}

void DrawCore::chooseWindow(QScreen *screen, const QRectF &localBounds) {
    if (!screen)
        return;
    const QRectF screenRect(QPointF(0, 0), QSizeF(screen->geometry().size()));
    // A window that reaches past its screen is taken as far as the screen shows it.
    const QRectF crop = localBounds.intersected(screenRect);
    if (crop.isEmpty())
        return;
    DrawViewModel &m = model();
    m.setChooceWindowMode(false);
    m.setCroppedArea(crop);
    m.setCropScreen(screen);
    m_geometry.maxFrame = screenRect;
    m.setCursor(toolCursor());
    startLowQualityCopy(screen);
    reportCrop(crop);
}

// ---------------------------------------------------------------- cursors

QCursor DrawCore::toolCursor() const {
    const DrawViewModel &m = model();
    if (m.chooceWindowMode())
        return named("window-capture", {14, 12.5});
    if (!m.hasCroppedArea())
        return named("draw-area");
    switch (m.tool()) {
    case Tool::Point: return named("create-comment");
    case Tool::Text: return named("create-text");
    case Tool::Pen: return named("pencil", {7, 21});
    case Tool::Arrow: return named("create-arrow");
    case Tool::Line: return named("create-line");
    case Tool::Rectangle: return named("create-rectangle");
    case Tool::Oval: return named("create-oval");
    case Tool::Blur: return named("create-blur");
    case Tool::Pointer:
    case Tool::Video: break;
    }
    return QCursor(Qt::ArrowCursor);
}

QCursor DrawCore::cursorAt(QWidget *view, QPointF location) const {
    const DrawViewModel &m = model();
    if (isTextEditor(QApplication::focusWidget()))
        return view->cursor();
    if (const auto pinned = m.cacheCursor())
        return *pinned;
    if (!m.trackCursor() || !qobject_cast<CropWindow *>(view->window()))
        return QCursor(Qt::ArrowCursor);
    const auto *drawView = qobject_cast<DrawView *>(view);
    const bool cropScreen = drawView && drawView->isCropScreen();
    if (cropScreen && m.hasCroppedArea() && !m.chooceWindowMode()) {
        if (const auto handle = cropHandles::hit(m.croppedArea(), location))
            return cropHandles::cursor(*handle);
        if (cropHandles::onBorder(m.croppedArea(), location))
            return named("open-hand");
    }
    if (cropScreen) {
        QList<ToolPtr> tools = m.drawedTools();
        if (m.drawingTool())
            tools.append(m.drawingTool());
        ToolIntersection found;
        for (const ToolPtr &tool : tools) {
            const ToolIntersection hit = tool ? tool->intersect(location) : ToolIntersection{};
            if (hit.kind != 0)
                found = hit;
        }
        if (found.kind == 1) {
            if (QGuiApplication::keyboardModifiers().testFlag(Qt::AltModifier))
                return named("copy", {9, 9});
            return named(m.isDrawing() ? "close-hand" : "open-hand");
        }
        if (found.kind == 2)
            return QCursor(Qt::ArrowCursor);
    }
    return toolCursor();
}

// ---------------------------------------------------------------- drawn objects

void DrawCore::selectTool(Tool tool) {
    finishEditing();
    if (isQuickTool(tool))
        model().setQuickTool(tool);
    model().setTool(tool);
    if (tool == Tool::Video && model().hasCroppedArea())
        showRecordControls();
    else if (tool != Tool::Video)
        closeRecordControls();
}

void DrawCore::finishEditing() { m_tools.finishEditing(); }

void DrawCore::commitDrawingTool(bool selectAfterwards) { m_tools.commitDrawingTool(selectAfterwards); }

void DrawCore::appendTool(const ToolPtr &tool) { m_tools.appendTool(tool); }

void DrawCore::removeTool(const ToolPtr &tool) { m_tools.removeTool(tool); }

void DrawCore::undo() {
    m_tools.undo();
    model().updateUndoState();
}

void DrawCore::redo() {
    m_tools.redo();
    model().updateUndoState();
}

// ---------------------------------------------------------------- rendering

QImage DrawCore::renderImage(QScreen *, const QImage &snapshot, const QImage &small, const QList<ToolPtr> &tools,
                             const QRectF &crop) const {
    SnapshotView view{snapshot, small, tools, model().whiteboard(), crop, false, false};
    const QImage picture = view.render(Models::shared().settingsModel());
    QList<PointTool> points;
    for (const ToolPtr &tool : tools)
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

QImage DrawCore::renderPlainImage(QScreen *, const QImage &snapshot, const QImage &small) const {
    SnapshotView view{snapshot, small, model().drawedTools(), model().whiteboard(), model().croppedArea(), true, false};
    return view.render(Models::shared().settingsModel());
}

QImage DrawCore::renderTextImage(const QImage &snapshot, const QRectF &crop) const {
    SnapshotView view{snapshot, QImage(), model().drawedTools(), model().whiteboard(), crop, true, true};
    return view.render(nullptr);
}

QString DrawCore::lastScreenshotPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.cache/Quillnest");
    safeFile::ensurePrivateFolder(folder);
    return folder + QStringLiteral("/last-screenshot.png");
}

// ---------------------------------------------------------------- outputs

void DrawCore::showNotice(const QString &text) {
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("noticeText"));
    TrayNotificationsManager::shared().show(std::nullopt, true, label);
}

void DrawCore::announceCopied(const QString &notice) {
    const SettingsModel &settings = *Models::shared().settingsModel();
    if (!settings.muted())
        SoundsCore::playScreenshotSound();
    if (settings.showNotifications())
        showNotice(notice);
}

bool DrawCore::refuseEmptyCrop() {
    QScreen *screen = model().cropScreen();
    const QImage snapshot = m_snapshots.value(screen);
    if (!screen || snapshot.isNull() || !isOpen())
        return false;
    const QRect pixels = imageEncoding::pixelRect(model().croppedArea(), snapshot.devicePixelRatio());
    if (!pixels.intersected(snapshot.rect()).isEmpty())
        return false;
    diagnostic(QStringLiteral("nothing to output: the crop area is empty"));
    showNotice(QStringLiteral("The selected area is empty. Drag out a bigger one."));
    // Handles of an empty crop sit on one point; with nothing drawn yet, the next drag
    // starts a new crop instead.
    if (model().drawedTools().isEmpty()) {
        model().setCroppedArea(QRectF());
        model().setCropScreen(nullptr);
    }
    return true;
}

std::optional<DrawCore::OutputSource> DrawCore::takeOutputSource() {
    finishEditing();
    QScreen *screen = model().cropScreen();
    OutputSource source{screen, m_snapshots.value(screen), m_snapshotsSmallQuality.value(screen), model().croppedArea()};
    if (!screen || source.snapshot.isNull()) {
        closeOverlay(true, true);
        return std::nullopt;
    }
    closeOverlay(false, true);
    return source;
}

void DrawCore::copyAction() {
    finishEditing();
    if (refuseEmptyCrop())
        return;
    const auto source = takeOutputSource();
    if (!source)
        return;
    QTimer::singleShot(0, this, [this, s = *source] {
        Analytics::shared().logEvent(kCopyEvent);
        const QImage image = renderImage(s.screen, s.snapshot, s.small, model().drawedTools(), s.crop);
        model().reset();
        if (image.isNull()) {
            diagnostic(QStringLiteral("nothing to copy: the crop area is empty"));
            return;
        }
        runInBackground(
            this, [image] { return imageEncoding::pngData(image); }, [this](const QByteArray &png) { finishCopy(png); });
    });
}

void DrawCore::finishCopy(const QByteArray &png) {
    if (png.isEmpty()) {
        diagnostic(QStringLiteral("the capture could not be encoded"));
        return;
    }
    ClipboardOwner::shared().setPng(png);
    const QString path = lastScreenshotPath();
    (void)QtConcurrent::run([png, path] {
        if (!writeAtomically(path, png, true).isEmpty()) {
            std::printf("Handle the error, i.e. disk can be full\n");
            std::fflush(stdout);
        }
    });
    announceCopied(QStringLiteral("Screenshot copied to Clipboard!"));
    diagnostic(QStringLiteral("copied %1 bytes of PNG").arg(png.size()));
}

void DrawCore::copyAsTextAction() {
    finishEditing();
    if (m_readingText || refuseEmptyCrop())
        return;
    QScreen *screen = model().cropScreen();
    const QImage snapshot = m_snapshots.value(screen);
    if (!screen || snapshot.isNull()) {
        closeOverlay(true, true);
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
    const int generation = m_generation;
    diagnostic(QStringLiteral("reading text"));
    runInBackground(this, [image] { return recognizeText(image); }, [this, generation](const QString &text) {
        m_readingText = false;
        // Closed or copied otherwise while the text was read: the user has moved on, and
        // a late text must not replace what they copied since.
        if (!isOpen() || generation != m_generation) {
            diagnostic(QStringLiteral("text read after the capture closed; dropped"));
            return;
        }
        if (text.isEmpty()) {
            // The clipboard keeps what it held: nothing was found to replace it.
            diagnostic(QStringLiteral("no text found"));
            showNotice(QStringLiteral("No text found in the selected area."));
            return;
        }
        closeOverlay(false, true);
        model().reset();
        QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
        Analytics::shared().logEvent(kCopyTextEvent);
        announceCopied(QStringLiteral("Text copied to Clipboard!"));
        diagnostic(QStringLiteral("copied %1 characters of text").arg(text.size()));
    });
}

void DrawCore::saveImageAction() {
    finishEditing();
    if (refuseEmptyCrop())
        return;
    // The crop screen's picture, wherever the pointer is when saving.
    QScreen *screen = model().cropScreen();
    CropWindow *window = m_windows.value(screen);
    const QImage snapshot = m_snapshots.value(screen);
    if (!screen || !window || snapshot.isNull()) {
        closeOverlay(true, true);
        return;
    }
    QFileDialog *dialog = makeSaveDialog(window, model().screenshotName());
    dialog->setWindowModality(Qt::WindowModal);
    QPointer<QScreen> target(screen);
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, target, snapshot] {
        const auto [path, jpeg] = chosenFile(dialog);
        const QImage image = renderImage(target, snapshot, m_snapshotsSmallQuality.value(target),
                                         model().drawedTools(), model().croppedArea());
        closeOverlay(false, true);
        model().reset();
        if (image.isNull()) {
            diagnostic(QStringLiteral("nothing to save: the crop area is empty"));
            return;
        }
        writeImageFile(path, image, jpeg);
    });
    dialog->open();
}

void DrawCore::writeImageFile(const QString &path, const QImage &image, bool jpeg) {
    runInBackground(
        this,
        [image, path, jpeg] {
            const QByteArray bytes = jpeg ? imageEncoding::jpegData(image) : imageEncoding::pngData(image);
            return writeAtomically(path, bytes, false);
        },
        [this, path, image](const QString &error) {
            if (error.isEmpty()) {
                Analytics::shared().logEvent(kSaveEvent);
                diagnostic(QStringLiteral("saved %1").arg(path));
                return;
            }
            // The capture is not lost: the notice offers it for saving elsewhere. Its
            // text is short, so that the system's reason shows whole.
            diagnostic(QStringLiteral("could not save %1: %2").arg(path, error));
            TrayNotificationsManager::shared().showError(imageEncoding::pngData(image),
                                                         QStringLiteral("Not saved: ") + error);
        });
}

void DrawCore::saveImageData(const QByteArray &pngData) {
    QFileDialog *dialog = makeSaveDialog(nullptr, model().screenshotName());
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, pngData] {
        const auto [path, jpeg] = chosenFile(dialog);
        QImage image;
        image.loadFromData(pngData, "PNG");
        if (image.isNull()) {
            diagnostic(QStringLiteral("the image to save could not be read"));
            return;
        }
        writeImageFile(path, image, jpeg);
    });
    dialog->open();
}

void DrawCore::uploadAction() {
    finishEditing();
    if (refuseEmptyCrop())
        return;
    const auto source = takeOutputSource();
    if (!source)
        return;
    QTimer::singleShot(0, this, [this, s = *source] { uploadImage(s); });
}

void DrawCore::uploadImage(const OutputSource &s) {
    const QList<ToolPtr> tools = model().drawedTools();
    // The cloud's picture carries no comments column: the points travel as data.
    const QImage image = renderPlainImage(s.screen, s.snapshot, s.small);
    if (image.isNull()) {
        diagnostic(QStringLiteral("nothing to upload: the crop area is empty"));
    } else {
        APICore &api = APICore::shared();
        const bool signedIn = Models::shared().settingsModel()->signedIn();
        if (signedIn && api.isServiceReachable()) {
            const qreal scale = s.screen ? s.screen->devicePixelRatio() : image.devicePixelRatio();
            QPointer<DrawCore> self(this);
            api.uploadImage(image, std::nullopt, std::nullopt, scale, s.crop, commentPointsOf(tools),
                            [self, s, tools](APICore::UploadResult result) {
                                if (!self)
                                    return;
                                if (result.ok()) {
                                    const auto &draft = result.value();
                                    diagnostic(QStringLiteral("uploaded"));
                                    TrayNotificationsManager::shared().showUploaded(draft ? draft->draft_url
                                                                                          : std::nullopt);
                                    return;
                                }
                                self->uploadFailed(s, tools, result.error().description(),
                                                   result.error().isQlntError());
                            });
            diagnostic(QStringLiteral("upload started"));
        } else {
            keepForSaving(s, signedIn);
        }
    }
    model().reset();
}

void DrawCore::keepForSaving(const OutputSource &s, bool signedIn) {
    const QImage image = renderImage(s.screen, s.snapshot, s.small, model().drawedTools(), s.crop);
    const QByteArray png = imageEncoding::pngData(image);
    if (png.isEmpty()) {
        diagnostic(QStringLiteral("the capture could not be encoded"));
        return;
    }
    (void)QtConcurrent::run([png, path = lastScreenshotPath()] {
        if (!writeAtomically(path, png, true).isEmpty()) {
            std::printf("Handle the error, i.e. disk can be full\n");
            std::fflush(stdout);
        }
    });
    TrayNotificationsManager &notices = TrayNotificationsManager::shared();
    if (!signedIn) {
        notices.show(QString::fromUtf8("\xf0\x9f\x98\x91"), false, notices.showSignInRequired(png));
        return;
    }
    // Offline: the capture is offered for saving even when the network has come back
    // in the meantime, so that it is never dropped without a word.
    notices.show(QString::fromUtf8("\xf0\x9f\xa4\x94"), false, notices.showNoInternet(png));
}

void DrawCore::uploadFailed(const OutputSource &s, const QList<ToolPtr> &tools, const QString &error, bool ownError) {
    if (!ownError) {
        std::printf("%s\n", qPrintable(error));
        std::fflush(stdout);
    }
    // The capture as it was uploaded, drawn objects included, offered for saving.
    const QByteArray png = imageEncoding::pngData(renderImage(s.screen, s.snapshot, s.small, tools, s.crop));
    TrayNotificationsManager::shared().showError(png.isEmpty() ? std::nullopt : std::optional<QByteArray>(png), error);
}

} // namespace qn
