#include "app/ApplicationHooks.h"

#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/OverlayNotices.h"
#include "capture/WindowsCore.h"
#include "settings/SettingsHooks.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace qn;

// What the overlay and the settings pages ask for lands under the tray icon once the
// application has installed its hooks.
TEST(ApplicationHooks, LowerFoldersNoticesShowUnderTheTray) {
    installApplicationHooks();
    Models::shared().settingsModel()->setShowNotifications(true);
    TrayNotificationsManager &tray = TrayNotificationsManager::shared();
    const struct {
        const char *what;
        std::function<void()> trigger;
        QString text; // the notice as read, or its start
    } cases[] = {
        {"overlay text",
         [] { overlayNotices::show(std::nullopt, true, notice::row({notice::text(QStringLiteral("Copied"))})); },
         QStringLiteral("Copied")},
        {"overlay error", [] { overlayNotices::showError(std::nullopt, QStringLiteral("Not saved: disk full")); },
         QStringLiteral("\U0001F97ANot saved: disk full")},
        {"overlay uploaded", [] { overlayNotices::showUploaded(std::nullopt); }, QStringLiteral("Uploaded!")},
        {"overlay signed out", [] { overlayNotices::showSignInRequired(QByteArray("png")); },
         QStringLiteral("\U0001F611You have to ")},
        {"overlay offline", [] { overlayNotices::showNoInternet(QByteArray("png")); },
         QStringLiteral("\U0001F914Check the Internet connection!")},
        {"settings notice",
         [] { SettingsHooks::shared().notice(QStringLiteral("\u2328\uFE0F"), QStringLiteral("Taken")); },
         QStringLiteral("\u2328\uFE0FTaken")},
    };
    for (const auto &c : cases) {
        tray.hide();
        c.trigger();
        ASSERT_NE(tray.currentWindow(), nullptr) << c.what;
        EXPECT_TRUE(notice::textOf(tray.currentWindow()).startsWith(c.text))
            << c.what << ": " << notice::textOf(tray.currentWindow()).toStdString();
    }
    tray.hide();
}

TEST(ApplicationHooks, SettingsPagesFindTheWindowsTheCoreOpened) {
    installApplicationHooks();
    SettingsHooks &hooks = SettingsHooks::shared();
    EXPECT_EQ(SettingsHooks::window(hooks.settingsWindow), nullptr);
    WindowsCore::shared().openSettings();
    QPointer<QWidget> window = WindowsCore::shared().settingsWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(SettingsHooks::window(hooks.settingsWindow), window);
    EXPECT_EQ(SettingsHooks::window(hooks.onboardingWindow), nullptr);
    delete window;
}

// Without the application a notice is dropped, and the content it was given does not leak.
TEST(OverlayNotices, WithoutASinkTheContentIsDeleted) {
    overlayNotices::setSink({});
    QPointer<QWidget> content = new QWidget();
    overlayNotices::show(std::nullopt, true, content);
    EXPECT_TRUE(content.isNull());
    overlayNotices::showError(std::nullopt, QStringLiteral("x"));
    overlayNotices::showUploaded(std::nullopt);
    installApplicationHooks();
}
