#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

class QWidget;

namespace qn {

// The notices the overlay's outputs give under the tray icon. The tray belongs to the
// application, which connects these signals at start-up; the overlay only announces.
class OverlayNotices : public QObject {
    Q_OBJECT
public:
    static OverlayNotices &shared();

    // `content` goes to whoever shows it; with no one listening it is deleted, so
    // that a notice nobody shows does not leak its widget.
    void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content);

Q_SIGNALS:
    void noticeRequested(const std::optional<QString> &emoji, bool autoHide, QWidget *content);
    void errorNoticeRequested(const std::optional<QByteArray> &pngData, const QString &description);
    void uploadedNoticeRequested(const std::optional<QString> &linkPath);
    // The upload could not start: signed out, or no network. Both offer the capture
    // for saving.
    void signInNoticeRequested(const QByteArray &pngData);
    void offlineNoticeRequested(const QByteArray &pngData);
};

// What the overlay's outputs call.
namespace overlayNotices {
void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content);
void showError(const std::optional<QByteArray> &pngData, const QString &description);
void showUploaded(const std::optional<QString> &linkPath);
void showSignInRequired(const QByteArray &pngData);
void showNoInternet(const QByteArray &pngData);
} // namespace overlayNotices

} // namespace qn
