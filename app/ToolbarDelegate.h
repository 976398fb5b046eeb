#pragma once
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QMimeData;

namespace qn {

class APICore;

// Uploads an image file dropped on the tray icon, as a capture's upload does but
// without comment points and without a crop area. Install it as an event filter on
// a widget that can take drops: it accepts drags of local files and uploads the
// first one on drop. Files that are not readable images are ignored quietly.
class ToolbarDelegate : public QObject {
    Q_OBJECT
public:
    struct Effects {
        std::function<void(const std::optional<QString> &draftUrl)> showUploaded;
        std::function<void(const QByteArray &pngData, const QString &description)> showError;
    };

    explicit ToolbarDelegate(APICore &api, QObject *parent = nullptr);

    void setEffects(Effects effects) { m_effects = std::move(effects); }
    Effects &effects() { return m_effects; }

    // The local file a drag carries, if any (remote and non-file URLs never count).
    static std::optional<QString> droppedFile(const QMimeData *data);
    // Files above this size are refused with a notice: they would take minutes to send
    // and memory the size of the file.
    static constexpr qint64 kMaxFileBytes = 100 * 1024 * 1024;

    // Uploads the file; false when it is not a readable image (nothing happens then).
    // The file is read and encoded off the GUI thread.
    bool uploadFile(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void upload(const QString &path, const QImage &image, const std::optional<QByteArray> &gif, const QString &name,
                qreal scale, const QSize &size);

    APICore &m_api;
    Effects m_effects;
};

} // namespace qn
