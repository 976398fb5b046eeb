#include "platform/UrlOpener.h"

#include <QDesktopServices>

namespace qn::UrlOpener {

bool isWebPage(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.isRelative() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

bool open(const QString &text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return false;
    return QDesktopServices::openUrl(url);
}

bool openWebPage(const QString &text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!isWebPage(url))
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace qn::UrlOpener
