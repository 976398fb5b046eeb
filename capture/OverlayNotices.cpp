#include "capture/OverlayNotices.h"

#include <QMetaMethod>
#include <QWidget>

namespace qn {

OverlayNotices &OverlayNotices::shared() {
    // Never destroyed: an output may still finish while the application object goes.
    static auto *notices = new OverlayNotices();
    return *notices;
}

void OverlayNotices::show(const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
    if (!isSignalConnected(QMetaMethod::fromSignal(&OverlayNotices::noticeRequested))) {
        delete content;
        return;
    }
    Q_EMIT noticeRequested(emoji, autoHide, content);
}

namespace overlayNotices {

void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
    OverlayNotices::shared().show(emoji, autoHide, content);
}

void showError(const std::optional<QByteArray> &pngData, const QString &description) {
    Q_EMIT OverlayNotices::shared().errorNoticeRequested(pngData, description);
}

void showUploaded(const std::optional<QString> &linkPath) {
    Q_EMIT OverlayNotices::shared().uploadedNoticeRequested(linkPath);
}

void showSignInRequired(const QByteArray &pngData) { Q_EMIT OverlayNotices::shared().signInNoticeRequested(pngData); }

void showNoInternet(const QByteArray &pngData) { Q_EMIT OverlayNotices::shared().offlineNoticeRequested(pngData); }

} // namespace overlayNotices

} // namespace qn
