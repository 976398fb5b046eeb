#include "app/state/Defines.h"

#include "BuildInfo.h"
#include "platform/UrlOpener.h"

#include <QUrl>

namespace qn {

bool Defines::isDevIdentifier(const QString &bundleIdentifier) {
    return bundleIdentifier == QLatin1String(build::kDevBundleIdentifier);
}

QString Defines::hostFor(const QString &bundleIdentifier) {
    return QString::fromUtf8(isDevIdentifier(bundleIdentifier) ? build::kDevelopmentHost : build::kProductionHost);
}

bool Defines::isDev() {
    static const bool dev = isDevIdentifier(QString::fromUtf8(build::kBundleIdentifier));
    return dev;
}

QString Defines::host() {
    static const QString value = hostFor(QString::fromUtf8(build::kBundleIdentifier));
    return value;
}

QString Defines::webHost() { return host(); }
QString Defines::api() { return host() + QStringLiteral("/api/v2"); }
QString Defines::readAllComments() { return api() + QStringLiteral("/read_all_comments"); }
QString Defines::getUserTrayInfo() { return api() + QStringLiteral("/get_user_tray_info"); }
QString Defines::settings() { return api() + QStringLiteral("/settings"); }
QString Defines::createTask() { return api() + QStringLiteral("/create_task"); }
QString Defines::createDraft() { return api() + QStringLiteral("/create_draft"); }
QString Defines::magicLink() { return api() + QStringLiteral("/iwannagohome"); }
QString Defines::magicLinkSecond() { return api() + QStringLiteral("/login_iwgh"); }

std::optional<QString> Defines::serviceAddress(const QString &path) {
    const QString address = host() + path;
    const QUrl url(address, QUrl::StrictMode);
    const QUrl base(host());
    if (!UrlOpener::isWebPage(url) || url.host() != base.host() || url.port() != base.port() ||
        url.scheme() != base.scheme())
        return std::nullopt;
    return address;
}

QString Defines::productWebsite() { return QString::fromUtf8(build::kProductionHost); }
QString Defines::productWebsiteTitle() {
    QString title = productWebsite();
    title.remove(QStringLiteral("https://"));
    return title;
}
QString Defines::supportMail() { return QStringLiteral("support@quillnest.app"); }
QString Defines::updateFeed() { return host() + QStringLiteral("/updates/linux.json"); }

} // namespace qn
