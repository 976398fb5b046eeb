#include "capture/OverlayNotices.h"

#include <QWidget>

namespace qn::overlayNotices {

namespace {
OverlayNoticeSink &sink() {
    static OverlayNoticeSink installed;
    return installed;
}
} // namespace

void setSink(OverlayNoticeSink s) { sink() = std::move(s); }

void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
    if (sink().show)
        sink().show(emoji, autoHide, content);
    else
        delete content;
}

void showError(const std::optional<QByteArray> &pngData, const QString &description) {
    if (sink().showError)
        sink().showError(pngData, description);
}

void showUploaded(const std::optional<QString> &linkPath) {
    if (sink().showUploaded)
        sink().showUploaded(linkPath);
}

void showSignInRequired(const QByteArray &pngData) {
    if (sink().showSignInRequired)
        sink().showSignInRequired(pngData);
}

void showNoInternet(const QByteArray &pngData) {
    if (sink().showNoInternet)
        sink().showNoInternet(pngData);
}

} // namespace qn::overlayNotices
