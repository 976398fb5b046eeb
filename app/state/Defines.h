#pragma once
#include <QString>
#include <optional>

namespace qn {

// The service's addresses for this build. The development build (its bundle
// identifier) talks to the local development server, every other build to the
// production host. Each address is computed once per run.
class Defines {
public:
    Defines() = delete;

    // Where the service's API sits under a host, and each endpoint's path under that.
    // The cloud client glues them to the host it talks to (tests give it a local one).
    enum class Endpoint { MagicLink, MagicLinkSecond, GetUserTrayInfo, Settings, ReadAllComments, CreateTask, CreateDraft };
    static QString apiPath();
    static QString path(Endpoint endpoint);

    static bool isDev();
    static QString host();
    static QString webHost();
    static QString api();
    static QString readAllComments();
    static QString getUserTrayInfo();
    static QString settings();
    static QString createTask();
    static QString createDraft();
    static QString magicLink();
    static QString magicLinkSecond();

    // The product's own web site, its title in the status menu, and support.
    static QString productWebsite();
    static QString productWebsiteTitle();
    static QString supportMail();
    // The version feed the update checker reads.
    static QString updateFeed();

    // The service host followed by `path`, when that is still a web page on the
    // service host (a path from the service that does not start with "/" or that
    // would lead elsewhere gives none).
    static std::optional<QString> serviceAddress(const QString &path);

    // The choice itself, for any bundle identifier.
    static bool isDevIdentifier(const QString &bundleIdentifier);
    static QString hostFor(const QString &bundleIdentifier);
};

} // namespace qn
