#include "app/ApplicationHooks.h"

#include "app/TrayMenu.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/SoundsCore.h"
#include "capture/OverlayNotices.h"
#include "capture/WindowsCore.h"
#include "cloud/APICore.h"
#include "settings/SettingsHooks.h"

namespace qn {

namespace {

void installUploadEffects() {
    APICore &api = APICore::shared();
    api.setUploadNotice([] {
        TrayNotificationsManager::shared().show(
            std::nullopt, true, notice::row({notice::text(QStringLiteral("Uploading... URL copied to Clipboard"))}));
    });
    api.setUploadSound([] { SoundsCore::playScreenshotSound(); });
}

void installSettingsHooks() {
    SettingsHooks &hooks = SettingsHooks::shared();
    hooks.login = [] { TrayMenu::shared().loginAction(); };
    hooks.logout = [] { TrayMenu::shared().logoutAction(); };
    hooks.reloadProjects = [] { TrayMenu::shared().reloadProjects(); };
    hooks.settingsWindow = [] { return WindowsCore::shared().settingsWindow(); };
    hooks.onboardingWindow = [] { return WindowsCore::shared().onboardingWindow(); };
    hooks.notice = [](const QString &emoji, const QString &text) {
        TrayNotificationsManager::shared().show(emoji, true, notice::row({notice::text(text)}));
    };
}

void installOverlayNotices() {
    OverlayNoticeSink sink;
    sink.show = [](const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
        TrayNotificationsManager::shared().show(emoji, autoHide, content);
    };
    sink.showError = [](const std::optional<QByteArray> &pngData, const QString &description) {
        TrayNotificationsManager::shared().showError(pngData, description);
    };
    sink.showUploaded = [](const std::optional<QString> &linkPath) {
        TrayNotificationsManager::shared().showUploaded(linkPath);
    };
    sink.showSignInRequired = [](const QByteArray &pngData) {
        TrayNotificationsManager &notices = TrayNotificationsManager::shared();
        notices.show(QString::fromUtf8("\xf0\x9f\x98\x91"), false, notices.showSignInRequired(pngData));
    };
    sink.showNoInternet = [](const QByteArray &pngData) {
        TrayNotificationsManager &notices = TrayNotificationsManager::shared();
        notices.show(QString::fromUtf8("\xf0\x9f\xa4\x94"), false, notices.showNoInternet(pngData));
    };
    overlayNotices::setSink(std::move(sink));
}

} // namespace

void installApplicationHooks() {
    installUploadEffects();
    installSettingsHooks();
    installOverlayNotices();
}

} // namespace qn
