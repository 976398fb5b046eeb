#include "app/ApplicationWiring.h"

#include "app/TestSwitches.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/OverlayNotices.h"
#include "cloud/APICore.h"
#include "platform/NotificationHub.h"
#include "platform/PreferencesStore.h"
#include "recording/VideoRecorderCore.h"
#include "settings/SettingsRequests.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace qn;

// What the lower folders announce lands under the tray icon once the application is
// wired.
TEST(ApplicationWiring, LowerFoldersNoticesShowUnderTheTray) {
    ApplicationWiring wiring;
    wiring.wireServices(TestSwitches());
    wiring.wireRecording(TestSwitches());
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
         [] { SettingsRequests::shared().requestNotice(QStringLiteral("\u2328\uFE0F"), QStringLiteral("Taken")); },
         QStringLiteral("\u2328\uFE0FTaken")},
        {"upload link copied", [] { Q_EMIT APICore::shared().uploadNoticeRequested(); },
         QStringLiteral("Uploading... URL copied to Clipboard")},
        {"preferences not saved", [] { Q_EMIT PreferencesStore::shared().writeFailed(QStringLiteral("Read-only")); },
         QStringLiteral("Settings can't be saved: Read-only")},
        {"microphone gone", [] { Q_EMIT VideoRecorderCore::shared().microphoneLost(QStringLiteral("Desk mic")); },
         QStringLiteral("The microphone \u201cDesk mic\u201d went away.")},
        {"movie kept on a full disk",
         [] { Q_EMIT VideoRecorderCore::shared().movieKeptAsRecorded(QStringLiteral("/tmp/kept.mp4")); },
         QStringLiteral("There was no room to finish the movie; it is kept, playable, at /tmp/kept.mp4")},
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

// The cloud client's "tokenExpired" signs the user out while the program runs, and
// no longer once it is ending.
TEST(ApplicationWiring, AnExpiredTokenSignsOutUntilTheStatusMenuIsUnwired) {
    ApplicationWiring wiring;
    wiring.wireServices(TestSwitches());
    SettingsModel *settings = Models::shared().settingsModel();
    settings->setToken(QStringLiteral("tok"));
    NotificationHub::shared().post(QStringLiteral("tokenExpired"));
    EXPECT_TRUE(settings->token().isEmpty());

    wiring.unwireStatusMenu();
    settings->setToken(QStringLiteral("tok"));
    NotificationHub::shared().post(QStringLiteral("tokenExpired"));
    EXPECT_EQ(settings->token(), QStringLiteral("tok"));
    settings->setToken(QString());
}

// The connections go with the wiring object; a notice nobody shows then does not
// leak the content it was given.
TEST(ApplicationWiring, GoneWiringLeavesNothingConnected) {
    {
        ApplicationWiring wiring;
        wiring.wireServices(TestSwitches());
    }
    TrayNotificationsManager::shared().hide();
    QPointer<QWidget> content = new QWidget();
    overlayNotices::show(std::nullopt, true, content);
    EXPECT_TRUE(content.isNull());
    overlayNotices::showError(std::nullopt, QStringLiteral("x"));
    overlayNotices::showUploaded(std::nullopt);
    EXPECT_EQ(TrayNotificationsManager::shared().currentWindow(), nullptr);
}
