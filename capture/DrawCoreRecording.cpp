// The overlay controller's part in screen recording: the recording bar beside the
// crop area, the movie's save path and the strokes drawn over a recording.
#include "annotation/DrawViewModel.h"
#include "annotation/DrawnFactory.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "capture/CropWindow.h"
#include "capture/DrawCore.h"
#include "capture/StreamWindowHost.h"
#include "editor_ui/Panel.h"
#include "platform/Diagnostics.h"
#include "recording/VideoRecorderCore.h"
#include "recording/VideoRecorderView.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainterPath>
#include <QScreen>
#include <QStandardPaths>
#include <cstdio>

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
} // namespace

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
    // Kept above the full-screen overlay by belonging to it, as its dialogs do.
    if (CropWindow *window = m_windows.value(screen)) {
        const QRect frame = panel->geometry();
        panel->setParent(window, panel->windowFlags());
        panel->setGeometry(frame);
    }
    panel->setObjectName(QStringLiteral("recordControls"));
    panel->setWindowTitle(QStringLiteral("Quillnest recording"));
    auto *bar = new VideoRecorderView(Models::shared().recordModel(), Models::shared().settingsModel(),
                                      VideoRecorderView::Recorder::shared(), panel);
    bar->move(0, 0);
    // Without a compositing manager a window cannot be see-through: the panel is
    // shaped to the bar's rounded outline instead.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 16, 16);
    panel->setMask(QRegion(outline.toFillPolygon().toPolygon()));
    m_recordControlsWindow = panel;
    panel->show();
    panel->raise();
    diagnostics::report(diagnostics::recordingControlsShown());
}

void DrawCore::tellRecordingFailed(const QString &message) { m_outputs.showNotice(message); }

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
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    auto *dialog = new QFileDialog(window, QStringLiteral("Save"), folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({QStringLiteral("QuickTime movie (*.mov)")});
    dialog->setDefaultSuffix(QStringLiteral("mov"));
    dialog->selectFile(QFileInfo(*url).fileName());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog->setWindowModality(Qt::WindowModal);
    const QString source = *url;
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, source] {
        QString destination = dialog->selectedFiles().value(0);
        if (destination.isEmpty())
            return;
        if (QFileInfo(destination).suffix().isEmpty())
            destination += QStringLiteral(".mov");
        diagnostics::report(diagnostics::finishingMovie(destination));
        QPointer<DrawCore> self(this);
        VideoRecorderCore::stopRecording([self, source, destination] {
            if (!self)
                return;
            if (const auto error = VideoRecorderCore::copyMovie(source, destination)) {
                // The movie stays in the recordings' folder; the user is told where.
                diagnostics::report(diagnostics::movieSaveFailed(destination, *error));
                self->m_outputs.showNotice(QStringLiteral("Could not save the movie: ") + *error +
                                           QStringLiteral("\nIt is kept in ") + QFileInfo(source).absolutePath());
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
