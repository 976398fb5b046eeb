// The overlay controller's life cycle: a capture's opening (every screen frozen,
// an overlay window on each), its input holding, its closing and the memory it
// keeps between captures.
#include "capture/DrawCore.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/CropWindow.h"
#include "capture/DrawView.h"
#include "capture/ImageEncoding.h"
#include "capture/StreamWindowHost.h"
#include "capture/WindowsCore.h"
#include "platform/Background.h"
#include "platform/Diagnostics.h"
#include "platform/OverlayInput.h"
#include "platform/ScreenGrabber.h"
#include "recording/VideoRecorderCore.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <malloc.h>

namespace qn {

DrawCore &DrawCore::shared() {
    static DrawCore core;
    return core;
}

namespace {
// A capture's big buffers (screen-sized pictures, the PNG encoder's bands and output)
// are made and freed on the thread pool. With the allocator's sliding thresholds, once
// one screen-sized picture has been freed, buffers of up to 32 MB are carved from the
// worker threads' heaps, whose free tops malloc_trim() cannot hand back: a few copies
// would keep well over a hundred megabytes for good. Fixed thresholds give every
// buffer of a megabyte or more its own mapping, returned to the system when freed,
// and let each heap shrink as soon as a megabyte lies free at its top.
void keepLargeBuffersReturnable() {
    constexpr int kLarge = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, kLarge);
    mallopt(M_TRIM_THRESHOLD, kLarge);
}
} // namespace

DrawCore::DrawCore(QObject *parent) : QObject(parent) {
    keepLargeBuffersReturnable();
    // A tool chosen anywhere (bar, shortcut, a reset) shows its cursor at once, also
    // when it is chosen again.
    connect(&model(), &DrawViewModel::toolChanged, this, [this] { model().setCursor(toolCursor()); });
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
    m_releaseMemory.setInterval(kKeepMemoryAfterCapture);
    connect(&m_releaseMemory, &QTimer::timeout, this, &DrawCore::releaseOverlayMemory);
}

void DrawCore::holdInput(bool pointerToo) {
    if (!isOpen() || Models::shared().recordModel()->isRecording())
        return;
    if (pointerToo && !overlayInput::holdingPointer()) {
        overlayInput::holdPointer();
        diagnostics::report(diagnostics::pointerHeldLate(overlayInput::holdingPointer()));
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
    diagnostics::report(diagnostics::overlayMemoryReleased());
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
        ensureOpaque(screen); // a pass still writing into the last picture ends first
        bool opaqueLater = false;
        const QImage image = grabScreenOpaqueLater(screen, &opaqueLater);
        if (image.isNull())
            m_snapshots.remove(screen);
        else
            m_snapshots.insert(screen, image);
        if (opaqueLater)
            m_opaquePending.insert(screen);
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
    if (!m_streamWindows)
        m_streamWindows = new StreamWindowHost(*this, this);
    Q_EMIT overlayOpened();
    diagnostics::report(diagnostics::overlayOpened(screens.size()));
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
        auto *window = new CropWindow(*this, screen);
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
        window = new CropWindow(*this, screen);
    m_windows.insert(screen, window);
    // The snapshot goes into the frame while the server and the window manager map it.
    window->view()->prefillFrame();
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
    const bool pausedForQuestion = recording && keepQuestionOutOfMovie(box);
    connect(box, &QMessageBox::finished, this, [this, box, ok, pausedForQuestion] {
        m_closeAlertShown = false;
        if (box->clickedButton() == ok)
            closeOverlay(true, true);
        else if (pausedForQuestion)
            resumeAfterQuestion();
    });
    box->open();
}

QWidget *DrawCore::overlayWindow(QScreen *screen) const { return m_windows.value(screen); }

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
    parkWindows();
    closeRecordControls();
    dropWindowsOfGoneScreens();
    if (clearState)
        forgetCapture();
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
        diagnostics::report(diagnostics::overlayClosed());
    }
}

void DrawCore::parkWindows() {
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
}

void DrawCore::dropWindowsOfGoneScreens() {
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (auto it = m_parkedWindows.begin(); it != m_parkedWindows.end();) {
        if (!it.value() || !screens.contains(it.key())) {
            if (it.value())
                it.value()->deleteLater();
            it = m_parkedWindows.erase(it);
        } else {
            ++it;
        }
    }
}

QMap<QScreen *, QImage> DrawCore::snapshots() const {
    for (auto it = m_snapshots.cbegin(); it != m_snapshots.cend(); ++it)
        ensureOpaque(it.key());
    return m_snapshots;
}

void DrawCore::snapshotShown(QScreen *screen) {
    if (!m_opaquePending.contains(screen))
        return;
    // Not at once: the server is still copying the frame to the screen, and a pass
    // over 33 MB on every core slows that copy down as much as it would have cost
    // before the paint. Anything that needs the pixels earlier does the pass itself.
    constexpr int kAfterShownMs = 60;
    const int generation = m_generation;
    QTimer::singleShot(kAfterShownMs, this, [this, screen, generation] {
        if (generation != m_generation || !m_opaquePending.remove(screen))
            return;
        m_opaquePasses.insert(screen, makeGrabOpaqueInBackground(m_snapshots.value(screen)));
    });
}

void DrawCore::ensureOpaque(QScreen *screen) const {
    // The frame's prefill reads the pixels the pass writes.
    if (CropWindow *window = m_windows.value(screen))
        window->view()->finishPrefill();
    if (m_opaquePending.remove(screen))
        makeGrabOpaque(m_snapshots.value(screen));
    if (auto it = m_opaquePasses.find(screen); it != m_opaquePasses.end()) {
        it->waitForFinished();
        m_opaquePasses.erase(it);
    }
}

void DrawCore::forgetCapture() {
    // The pass holds its picture, so its memory outlives the pass; none is waited for.
    m_opaquePending.clear();
    m_opaquePasses.clear();
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

void DrawCore::startLowQualityCopy(QScreen *screen) {
    if (!screen || m_snapshotsSmallQuality.contains(screen) || Models::shared().settingsModel()->autoUpload())
        return;
    ensureOpaque(screen);
    const QImage snapshot = m_snapshots.value(screen);
    if (snapshot.isNull())
        return;
    const int generation = m_generation;
    QPointer<QScreen> target(screen);
    runInBackground(
        this,
        [snapshot = QImage(snapshot)]() mutable {
            // Let go of before the result is handed over: a recording may be waiting to
            // give the picture's memory back.
            const QImage picture = std::exchange(snapshot, QImage());
            return imageEncoding::lowQualityCopy(picture);
        },
        [this, generation, target](const QImage &small) {
            if (!m_parkedSnapshot.isNull() && target == m_parkedScreen) {
                releaseParkedMemory();
                return;
            }
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
    ensureOpaque(screen);
    const QImage made = imageEncoding::lowQualityCopy(m_snapshots.value(screen));
    if (!made.isNull() && isOpen())
        setSnapshotSmallQuality(screen, made);
    return made;
}

} // namespace qn
