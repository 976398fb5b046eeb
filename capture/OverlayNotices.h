#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace qn {

// The notices the overlay's outputs give under the tray icon. The tray belongs to the
// application, which installs the sink at start-up; without one a notice is dropped
// (and a content widget handed over is deleted).
struct OverlayNoticeSink {
    std::function<void(const std::optional<QString> &emoji, bool autoHide, QWidget *content)> show;
    std::function<void(const std::optional<QByteArray> &pngData, const QString &description)> showError;
    std::function<void(const std::optional<QString> &linkPath)> showUploaded;
    // The upload could not start: signed out, or no network. Both offer the capture
    // for saving.
    std::function<void(const QByteArray &pngData)> showSignInRequired;
    std::function<void(const QByteArray &pngData)> showNoInternet;
};

namespace overlayNotices {
void setSink(OverlayNoticeSink sink);
void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content);
void showError(const std::optional<QByteArray> &pngData, const QString &description);
void showUploaded(const std::optional<QString> &linkPath);
void showSignInRequired(const QByteArray &pngData);
void showNoInternet(const QByteArray &pngData);
} // namespace overlayNotices

} // namespace qn
