// The overlay controller's part in screen recording: the recording bar beside the
// crop area, the movie's save path, the strokes drawn over a recording, and keeping
// our own windows out of the movie.
#include "annotation/DrawViewModel.h"
#include "annotation/DrawnFactory.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "capture/CropWindow.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "capture/SaveDialog.h"
#include "capture/StreamWindowHost.h"
#include "editor_ui/Panel.h"
#include "platform/Diagnostics.h"
#include "platform/SafeFile.h"
#include "platform/ScreenGrabber.h"
#include "recording/VideoRecorderCore.h"
#include "recording/VideoRecorderView.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <cstdio>
#include <malloc.h>

namespace qn {

namespace {
// Where the bar goes: beside the tool column's place, or left of it when it would
// reach the screen's right edge; always on the screen.
QRect recordControlsFrame(const QRectF &crop, const QRect &screen, QSize size) {
    const QRectF local(QPointF(0, 0), QSizeF(screen.size()));
    const QPointF column = Helper::controlsMenuPosition(crop, local);
    qreal x = column.x() + 48 + 16;
    qreal y = column.y() + 375 - size.height();
    if (x + size.width() >= local.right() - 10) {
        x = column.x() - 32 - size.width();
        y -= 16;
    }
    x = std::clamp<qreal>(x, 0, std::max<qreal>(0, local.width() - size.width()));
    y = std::clamp<qreal>(y, 0, std::max<qreal>(0, local.height() - size.height()));
    return QRect(QPoint(qRound(x), qRound(y)) + screen.topLeft(), size);
}

QList<QRect> screenRects() {
    QList<QRect> rects;
    for (QScreen *s : QGuiApplication::screens())
        rects.append(s->geometry());
    return rects;
}

QString rectText(const QRect &r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The crop area of the capture on its screen, global; empty without one.
QRect globalCrop(const DrawViewModel &editor) {
    QScreen *screen = editor.cropScreen();
    if (!screen || !editor.hasCroppedArea())
        return {};
    return editor.croppedArea().toAlignedRect().translated(screen->geometry().topLeft());
}

// Asks for the keyboard once the window is on the screen, and again until it has
// it: the window manager refuses a window it has not finished taking in, and says
// nothing when it does.
class ActivateWhenExposed : public QObject {
public:
    explicit ActivateWhenExposed(QWidget *widget) : QObject(widget), m_widget(widget) {
        m_retry.setInterval(100);
        connect(&m_retry, &QTimer::timeout, this, [this] {
            if (!m_widget || m_widget->isActiveWindow() || ++m_tries > 20) {
                m_retry.stop();
                return;
            }
            m_widget->activateWindow();
        });
    }
    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && m_widget && !m_retry.isActive()) {
            m_widget->activateWindow();
            m_retry.start();
        }
        return false;
    }

private:
    QPointer<QWidget> m_widget;
    QTimer m_retry;
    int m_tries = 0;
};

// What lies under a closed window shows again only when its owner repaints it;
// frames read before then may still hold the question.
constexpr int kResumeAfterQuestionMs = 250;
} // namespace

std::optional<QRect> DrawCore::recordedArea() {
    if (!Models::shared().recordModel()->isRecording())
        return std::nullopt;
    const QRect crop = globalCrop(*Models::shared().drawViewModel());
    return crop.isEmpty() ? std::nullopt : std::optional<QRect>(crop);
}

void DrawCore::placeRecordControls() {
    QWidget *panel = m_recordControlsWindow;
    QScreen *screen = model().cropScreen();
    if (!panel || !screen)
        return;
    // The bar is kept out of the crop area before the recording starts too, so that
    // it does not jump away from the pointer at the first click.
    const QRect wanted = panel->geometry();
    const QRect frame =
        Helper::outsideRecorded(wanted, globalCrop(model()), screen->geometry(), screenRects()).value_or(wanted);
    if (!panel->isVisible()) {
        // Kept above the full-screen overlay of its screen by belonging to it, as the
        // overlay's dialogs do. Not changed once shown: that would hide the bar, and
        // its hiding stops the capture devices.
        QScreen *target = QGuiApplication::screenAt(frame.center());
        CropWindow *window = m_windows.value(target ? target : screen);
        if (!window)
            window = m_windows.value(screen);
        if (window && panel->parentWidget() != window)
            panel->setParent(window, panel->windowFlags());
    }
    panel->setGeometry(frame);
    if (panel->isVisible())
        panel->raise();
    // What the bar opens beside itself (its tools palette) keeps out of the movie too.
    if (auto *bar = panel->findChild<VideoRecorderView *>())
        bar->setRecordedArea(globalCrop(model()));
    diagnostics::report(diagnostics::recordingControlsPlaced(rectText(frame)));
}

bool DrawCore::keepQuestionOutOfMovie(QWidget *question) {
    QScreen *screen = model().cropScreen();
    const QRect crop = globalCrop(model());
    QWidget *parent = question->parentWidget();
    if (!screen || crop.isEmpty() || !parent)
        return false;
    question->adjustSize();
    // Room around it: the window manager's frame, and a message box that settles
    // its size only as it is shown.
    const QSize room = question->size() + QSize(48, 48);
    const QRect over = parent->geometry();
    const QRect wanted(over.center() - QPoint(room.width() / 2, room.height() / 2), room);
    if (const auto place = Helper::outsideRecorded(wanted, crop, screen->geometry(), screenRects())) {
        QRect frame(place->topLeft() + QPoint(24, 24), question->size());
        // Beside the bar rather than over it, where its screen has room.
        const QRect bar = m_recordControlsWindow ? m_recordControlsWindow->geometry() : QRect();
        const QScreen *target = QGuiApplication::screenAt(frame.center());
        if (target && bar.intersects(place->adjusted(-8, -8, 8, 8))) {
            const QRect area = target->geometry();
            const QRect right(bar.right() + 1 + 32, frame.y(), frame.width(), frame.height());
            const QRect left(bar.left() - 32 - frame.width(), frame.y(), frame.width(), frame.height());
            const QRect below(frame.x(), bar.bottom() + 1 + 32, frame.width(), frame.height());
            for (const QRect &r : {right, left, below})
                if (area.contains(r) && !r.intersects(crop)) {
                    frame = r;
                    break;
                }
        }
        // Its parent stays the overlay that has the keyboard, wherever it stands: the
        // window manager gives the focus to the dialog of the focused window.
        question->move(frame.topLeft());
        // On another screen than the pointer the window manager leaves the keyboard
        // where it was; the question asks for it, so Esc and Return answer it.
        if (target != QGuiApplication::screenAt(over.center())) {
            question->winId();
            if (QWindow *handle = question->windowHandle())
                handle->installEventFilter(new ActivateWhenExposed(question));
        }
        diagnostics::report(diagnostics::closeQuestionPlaced(rectText(frame), false));
        return false;
    }
    // Nowhere outside (one screen, cropped whole): the question would be recorded,
    // so no frames are taken while it is open.
    RecordModel *record = Models::shared().recordModel();
    if (!record->isRecording() || record->isPaused()) {
        diagnostics::report(diagnostics::closeQuestionPlaced(rectText(QRect(over.center(), QSize(1, 1))), false));
        return false;
    }
    VideoRecorderCore::shared().pause();
    diagnostics::report(diagnostics::closeQuestionPlaced(rectText(QRect(over.center(), QSize(1, 1))), true));
    return true;
}

void DrawCore::resumeAfterQuestion() {
    QTimer::singleShot(kResumeAfterQuestionMs, this, [this] {
        RecordModel *record = Models::shared().recordModel();
        // The recording may have ended meanwhile (the stream failing, the overlay closed).
        if (!isOpen() || !record->isRecording() || !record->isPaused())
            return;
        VideoRecorderView::Recorder::shared().playStartSound();
        record->setIsPaused(false);
        diagnostics::report(diagnostics::closeQuestionResumed());
    });
}

QWidget *DrawCore::recordControlsWindow() const { return m_recordControlsWindow; }

void DrawCore::showRecordControls() {
    if (m_recordControlsWindow) {
        m_recordControlsWindow->raise();
        return;
    }
    // A recording that cannot start, or that stops by itself (the disk filling up, the
    // stream failing), would otherwise just leave the bar idle again: the user is told
    // why in a notice.
    connect(&VideoRecorderCore::shared(), &VideoRecorderCore::recordingFailed, this, &DrawCore::tellRecordingFailed,
            Qt::UniqueConnection);
    QScreen *screen = model().cropScreen();
    if (!screen)
        return;
    const QSize size(VideoRecorderView::kWidth, VideoRecorderView::kHeight);
    auto *panel = new Panel(recordControlsFrame(model().croppedArea(), screen->geometry(), size));
    panel->setObjectName(QStringLiteral("recordControls"));
    panel->setWindowTitle(QStringLiteral("Quillnest recording"));
    auto *bar = new VideoRecorderView(Models::shared().recordModel(), Models::shared().settingsModel(),
                                      VideoRecorderView::Recorder::shared(), panel);
    connect(bar, &VideoRecorderView::recordingAboutToStart, this, [this] {
        if (m_streamWindows)
            m_streamWindows->prepareForRecording();
        parkSnapshotForRecording();
    });
    bar->move(0, 0);
    // Without a compositing manager a window cannot be see-through: the panel is
    // shaped to the bar's rounded outline instead.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 16, 16);
    panel->setMask(QRegion(outline.toFillPolygon().toPolygon()));
    m_recordControlsWindow = panel;
    placeRecordControls();
    // A crop area moved over the bar after it was shown: out of the movie again as
    // the recording starts.
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, panel, [this] {
        if (Models::shared().recordModel()->isRecording())
            placeRecordControls();
    });
    panel->show();
    panel->raise();
    diagnostics::report(diagnostics::recordingControlsShown());
}

void DrawCore::tellRecordingFailed(const QString &message) {
    m_outputs.showNotice(message);
    // A start that failed never changes the recording state.
    unparkSnapshot();
}

void DrawCore::parkSnapshotForRecording() {
    QScreen *screen = model().cropScreen();
    if (!screen)
        return;
    RecordModel *record = Models::shared().recordModel();
    connect(record, &RecordModel::isRecordingChanged, this, &DrawCore::unparkSnapshot, Qt::UniqueConnection);
    connect(record, &RecordModel::isPausedChanged, this, &DrawCore::followPauseWhileParked, Qt::UniqueConnection);
    // Another tool puts the overlay back over the screen, recording or not.
    connect(&model(), &DrawViewModel::toolChanged, this, &DrawCore::bringSnapshotBackForTool, Qt::UniqueConnection);
    if (m_snapshotsSmallQuality.remove(screen))
        Q_EMIT snapshotsSmallQualityChanged();
    if (m_parkedSnapshot.isNull() && globalCrop(model()).contains(screen->geometry())) {
        ensureOpaque(screen);
        PackedPicture packed = PackedPicture::pack(m_snapshots.value(screen));
        // A picture that cannot be packed stays as it is.
        if (!packed.isNull()) {
            const qsizetype packedBytes = packed.packedBytes();
            m_parkedSnapshot = std::move(packed);
            m_parkedScreen = screen;
            m_parkedWindow = m_windows.value(screen);
            m_parkedGeneration = m_generation;
            m_snapshots.remove(screen);
            if (m_parkedWindow) {
                m_parkedWindow->view()->refreshSnapshot();
                m_parkedWindow->setDormant(true);
            }
            releaseParkedMemory();
            diagnostics::report(diagnostics::frozenPictureParked(packedBytes));
        }
    }
    // Before the recording's own buffers are made, so that they take the place freed.
    malloc_trim(0);
}

void DrawCore::releaseParkedMemory() {
    // The grab's shared memory goes back once nothing holds the picture; a pass on
    // the thread pool that has just finished with it may let go of it a moment later.
    releaseScreenGrabMemory();
    QTimer::singleShot(250, this, [this, generation = m_parkedGeneration] {
        if (!m_parkedSnapshot.isNull() && generation == m_parkedGeneration)
            releaseScreenGrabMemory();
    });
}

void DrawCore::followPauseWhileParked() {
    // While paused the action bar stands in the overlay window, over the live screen:
    // the window needs its frame to show it.
    if (!m_parkedSnapshot.isNull() && m_parkedWindow)
        m_parkedWindow->setDormant(!Models::shared().recordModel()->isPaused());
}

void DrawCore::bringSnapshotBackForTool() {
    if (!m_parkedSnapshot.isNull() && model().tool() != Tool::Video)
        bringSnapshotBack();
}

void DrawCore::unparkSnapshot() {
    if (m_parkedSnapshot.isNull() || Models::shared().recordModel()->isRecording())
        return;
    // Once the end of the recording has run its course: a save closes the capture
    // right after, and then nothing is left to show the picture.
    const int generation = m_parkedGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (m_parkedGeneration == generation && !Models::shared().recordModel()->isRecording())
            bringSnapshotBack();
    });
}

void DrawCore::bringSnapshotBack() {
    if (m_parkedSnapshot.isNull())
        return;
    const PackedPicture packed = std::exchange(m_parkedSnapshot, PackedPicture());
    QScreen *screen = m_parkedScreen;
    const QPointer<CropWindow> window = m_parkedWindow;
    m_parkedScreen.clear();
    m_parkedWindow.clear();
    // The capture it belongs to has closed: nothing is left to show the picture, and
    // its window, hidden, waits for the next capture with its frame given back.
    const bool open = screen && isOpen() && m_parkedGeneration == m_generation && m_windows.value(screen) == window;
    const QImage frozen = open ? packed.unpack() : QImage();
    if (!frozen.isNull()) {
        m_snapshots.insert(screen, frozen);
        if (window)
            window->view()->refreshSnapshot();
    }
    if (window)
        window->setDormant(false);
    if (frozen.isNull())
        return;
    startLowQualityCopy(screen);
    diagnostics::report(diagnostics::frozenPictureRestored());
}

void DrawCore::closeRecordControls() {
    QPointer<QWidget> panel = m_recordControlsWindow;
    m_recordControlsWindow.clear();
    if (!panel)
        return;
    if (auto *p = qobject_cast<Panel *>(panel.data()))
        p->close([panel] {
            if (panel)
                panel->deleteLater();
        });
    else
        panel->deleteLater();
    diagnostics::report(diagnostics::recordingControlsClosed());
}

void DrawCore::saveVideoAction() {
    finishEditing();
    QScreen *screen = model().cropScreen();
    CropWindow *window = m_windows.value(screen);
    const auto url = VideoRecorderCore::shared().url();
    if (!window || !url) {
        diagnostics::report(diagnostics::noRecordingToSave());
        return;
    }
    QFileDialog *dialog =
        saveDialog::make(window, QStandardPaths::MoviesLocation,
                         {{QStringLiteral("QuickTime movie"), {QStringLiteral("mov")}}}, QFileInfo(*url).fileName());
    const QString source = *url;
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, source] {
        const QString destination = saveDialog::chosenPath(dialog);
        if (destination.isEmpty())
            return;
        diagnostics::report(diagnostics::finishingMovie(destination));
        QPointer<DrawCore> self(this);
        VideoRecorderCore::stopRecording([self, source, destination] {
            if (!self)
                return;
            // The finish may have had to give the movie another name (someone took
            // its own during the recording): what is copied is what was finished.
            const QString movie = VideoRecorderCore::shared().url().value_or(source);
            // The user confirmed replacing a file that is there; a link they chose is
            // followed, and the recording itself is never touched.
            const QString error = safeFile::copy(movie, destination, safeFile::Mode::UserFile);
            if (!error.isEmpty()) {
                // The movie stays in the recordings' folder; the user is told where.
                diagnostics::report(diagnostics::movieSaveFailed(destination, error));
                self->m_outputs.showNotice(QStringLiteral("Could not save the movie: ") + error +
                                           QStringLiteral("\nIt is kept in ") + QFileInfo(movie).absolutePath());
            } else {
                diagnostics::report(diagnostics::savedMovie(destination));
            }
            self->closeOverlay(false, true);
            self->model().reset();
        });
    });
    dialog->open();
}

void DrawCore::recordingDrawChanged(const QList<QPointF> &points, QPointF start, QPointF current) {
    RecordModel *record = Models::shared().recordModel();
    if (start == current || !record->drawingMode())
        return;
    QScreen *screen = model().cropScreen();
    const std::optional<QRectF> frame =
        screen ? std::optional<QRectF>(QRectF(QPointF(0, 0), QSizeF(screen->geometry().size()))) : std::nullopt;
    DrawnPtr made =
        DrawnFactory::makeTool(start, current, points, record->tool(), true, std::nullopt, model().color(), frame);
    record->setDrawingTool(made);
}

void DrawCore::recordingDrawEnded() {
    RecordModel *record = Models::shared().recordModel();
    if (const DrawnPtr drawing = record->drawingTool()) {
        QList<DrawnPtr> list = record->drawedTools();
        list.append(drawing);
        record->setDrawedTools(list);
    }
    record->setDrawingTool(nullptr);
}

} // namespace qn
