#include "cloud/ToolbarDelegate.h"

#include "app/TrayNotificationsManager.h"
#include "cloud/APICore.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <cstdio>

namespace qn {

ToolbarDelegate::ToolbarDelegate(APICore &api, QObject *parent) : QObject(parent), m_api(api) {
    m_effects.showUploaded = [](const std::optional<QString> &draftUrl) {
        TrayNotificationsManager::shared().showUploaded(draftUrl);
    };
    m_effects.showError = [](const QByteArray &pngData, const QString &description) {
        TrayNotificationsManager::shared().showError(pngData.isEmpty() ? std::nullopt : std::optional(pngData),
                                                     description);
    };
}

std::optional<QString> ToolbarDelegate::droppedFile(const QMimeData *data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return std::nullopt;
}

bool ToolbarDelegate::uploadFile(const QString &path) {
    // Only regular files: a FIFO or a device would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        std::printf("Dropped file ignored: %s is not a readable file\n", qPrintable(path));
        std::fflush(stdout);
        return false;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        std::printf("Dropped file ignored: %s is not an image (%s)\n", qPrintable(path), qPrintable(reader.errorString()));
        std::fflush(stdout);
        return false;
    }
    std::optional<QByteArray> gif;
    if (info.suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            if (file.error() == QFileDevice::NoError)
                gif = bytes;
        }
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 1.0;

    QPointer<ToolbarDelegate> self(this);
    m_api.uploadImage(image, gif, info.fileName(), scale, QRectF(), {}, [self, image](APICore::UploadResult result) {
        if (!self)
            return;
        if (result.ok()) {
            const auto &draft = result.value();
            if (self->m_effects.showUploaded)
                self->m_effects.showUploaded(draft ? draft->draft_url : std::nullopt);
            return;
        }
        // The notice offers the dropped image for saving, so nothing is lost.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            png.clear();
        if (self->m_effects.showError)
            self->m_effects.showError(png, result.error().description());
    });
    return true;
}

bool ToolbarDelegate::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (droppedFile(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (const auto file = droppedFile(drop->mimeData())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            uploadFile(*file);
        }
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace qn
