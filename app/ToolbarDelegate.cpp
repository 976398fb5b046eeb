#include "app/ToolbarDelegate.h"

#include "app/TrayNotificationsManager.h"
#include "cloud/APICore.h"
#include "platform/Background.h"
#include "platform/Diagnostics.h"

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

namespace {
// What a dropped file becomes off the GUI thread: a GIF travels as its own bytes, any
// other image as the decoded picture (sent as JPEG).
struct DroppedImage {
    QImage image;
    std::optional<QByteArray> gif;
    QString error;
};

DroppedImage readDropped(const QString &path, bool gif) {
    DroppedImage out;
    if (gif) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            out.error = file.errorString();
            return out;
        }
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            out.error = file.errorString();
            return out;
        }
        out.gif = std::move(bytes);
        return out;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    out.image = reader.read();
    if (out.image.isNull())
        out.error = reader.errorString();
    return out;
}

QByteArray pngOf(const QImage &image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        png.clear();
    return png;
}
} // namespace

bool ToolbarDelegate::uploadFile(const QString &path) {
    // Only regular files: a FIFO or a device would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        diagnostics::report(diagnostics::droppedFileUnreadable(path));
        return false;
    }
    // The header says whether it is an image and how large, without decoding it.
    QImageReader probe(path);
    probe.setAutoTransform(true);
    const QSize size = probe.size();
    if (!probe.canRead() || !size.isValid()) {
        diagnostics::report(diagnostics::droppedFileNotImage(path, probe.errorString()));
        return false;
    }
    if (info.size() > kMaxFileBytes) {
        // Short enough for the notice to show whole.
        const QString text = QStringLiteral("File too large: over %1 MB").arg(kMaxFileBytes / (1024 * 1024));
        diagnostics::report(diagnostics::droppedFileTooLarge(path, info.size()));
        if (m_effects.showError)
            m_effects.showError({}, text);
        return true;
    }
    const bool gif = info.suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0;
    const QString name = info.fileName();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 1.0;

    // Reading and decoding a large file takes seconds: off the GUI thread.
    runInBackground(
        this, [path, gif] { return readDropped(path, gif); },
        [this, path, name, scale, size](const DroppedImage &dropped) {
            if (!dropped.error.isEmpty()) {
                diagnostics::report(diagnostics::droppedFileNotUploaded(path, dropped.error));
                if (m_effects.showError)
                    m_effects.showError({}, QStringLiteral("Could not read the file: ") + dropped.error);
                return;
            }
            upload(path, dropped.image, dropped.gif, name, scale, size);
        });
    return true;
}

void ToolbarDelegate::upload(const QString &path, const QImage &image, const std::optional<QByteArray> &gif,
                             const QString &name, qreal scale, const QSize &size) {
    // A GIF is not decoded for its upload: only its size goes with it.
    const QImage sized = gif ? QImage() : image;
    QPointer<ToolbarDelegate> self(this);
    auto done = [self, path, image, gif](APICore::UploadResult result) {
        if (!self)
            return;
        if (result.ok()) {
            const auto &draft = result.value();
            if (self->m_effects.showUploaded)
                self->m_effects.showUploaded(draft ? draft->draft_url : std::nullopt);
            return;
        }
        // The notice offers the dropped image for saving, so nothing is lost.
        QImage picture = image;
        if (picture.isNull()) {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            picture = reader.read();
        }
        if (self->m_effects.showError)
            self->m_effects.showError(pngOf(picture), result.error().description());
    };
    if (gif)
        m_api.uploadData(*gif, QStringLiteral("data:image/gif;base64,"), QSizeF(size), name, std::move(done));
    else
        m_api.uploadImage(sized, std::nullopt, name, scale, QRectF(), {}, std::move(done));
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
    default: return QObject::eventFilter(watched, event);
    }
}

} // namespace qn
