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
QString Defines::apiPath() { return QStringLiteral("/api/v2"); }

QString Defines::path(Endpoint endpoint) {
    switch (endpoint) {
    case Endpoint::MagicLink:
        return QStringLiteral("/iwannagohome");
    case Endpoint::MagicLinkSecond:
        return QStringLiteral("/login_iwgh");
    case Endpoint::GetUserTrayInfo:
        return QStringLiteral("/get_user_tray_info");
    case Endpoint::Settings:
        return QStringLiteral("/settings");
    case Endpoint::ReadAllComments:
        return QStringLiteral("/read_all_comments");
    case Endpoint::CreateTask:
        return QStringLiteral("/create_task");
    case Endpoint::CreateDraft:
        return QStringLiteral("/create_draft");
    }
    return QString();
}

QString Defines::api() { return host() + apiPath(); }
QString Defines::readAllComments() { return api() + path(Endpoint::ReadAllComments); }
QString Defines::getUserTrayInfo() { return api() + path(Endpoint::GetUserTrayInfo); }
QString Defines::settings() { return api() + path(Endpoint::Settings); }
QString Defines::createTask() { return api() + path(Endpoint::CreateTask); }
QString Defines::createDraft() { return api() + path(Endpoint::CreateDraft); }
QString Defines::magicLink() { return api() + path(Endpoint::MagicLink); }
QString Defines::magicLinkSecond() { return api() + path(Endpoint::MagicLinkSecond); }

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
