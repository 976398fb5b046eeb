#include "app/ApplicationWiring.h"

#include "app/ApplicationDelegate.h"
#include "app/TerminationSignals.h"
#include "app/TestSwitches.h"
#include "app/TrayMenu.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SoundsCore.h"
#include "capture/DrawCore.h"
#include "capture/OverlayNotices.h"
#include "cloud/APICore.h"
#include "platform/NotificationHub.h"
#include "platform/PreferencesStore.h"
#include "platform/SingleInstance.h"
#include "platform/X11ConnectionLoss.h"
#include "recording/TestCamera.h"
#include "recording/VideoRecorderCore.h"
#include "settings/SettingsRequests.h"

#include <QCoreApplication>

namespace qn {

namespace {
TrayNotificationsManager &tray() { return TrayNotificationsManager::shared(); }

void showText(const std::optional<QString> &emoji, bool autoHide, const QString &text) {
    tray().show(emoji, autoHide, notice::row({notice::text(text)}));
}

// A notice that stays until closed: the user must learn where a movie went.
void showUntilClosed(const QString &text) {
    tray().show(std::nullopt, false,
                notice::row({notice::text(text), notice::separator(), notice::button(QStringLiteral("Close"), [] {
                                 TrayNotificationsManager::shared().hide();
                             })}));
}
} // namespace

ApplicationWiring::ApplicationWiring(QObject *parent) : QObject(parent) {}

void ApplicationWiring::wireProcess(QCoreApplication &application, SingleInstance &instance,
                                    TerminationSignals &terminations, ApplicationDelegate &delegate) {
    QObject::connect(&terminations, &TerminationSignals::received, &delegate,
                     &ApplicationDelegate::terminationRequested);
    QObject::connect(&instance, &SingleInstance::anotherLaunched, &delegate,
                     &ApplicationDelegate::anotherLaunchHandedOver);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     &ApplicationDelegate::applicationWillTerminate);
    // The X server going away (a logout) ends the process from inside Xlib or Qt:
    // the movie is finished on the way out, on whichever thread noticed. A last
    // call, not a signal: no event loop runs again to deliver one.
    onX11ConnectionLoss([] {
        if (VideoRecorderCore *recorder = VideoRecorderCore::sharedIfMade())
            recorder->finishBeforeExit();
    });
}

void ApplicationWiring::wireServices(const TestSwitches &switches) {
    APICore &cloud = APICore::shared();
    // Before the status menu's first request.
    if (switches.cloudDeadlineMs)
        cloud.setDeadline(*switches.cloudDeadlineMs);
    // An upload's link is on the clipboard.
    connect(&cloud, &APICore::uploadNoticeRequested, this,
            [] { showText(std::nullopt, true, QStringLiteral("Uploading... URL copied to Clipboard")); });
    connect(&cloud, &APICore::uploadSoundRequested, this, [] { SoundsCore::playScreenshotSound(); });

    // The settings pages' account actions and notices.
    SettingsRequests &settings = SettingsRequests::shared();
    connect(&settings, &SettingsRequests::loginRequested, this, [] { TrayMenu::shared().loginAction(); });
    connect(&settings, &SettingsRequests::logoutRequested, this, [] { TrayMenu::shared().logoutAction(); });
    connect(&settings, &SettingsRequests::projectsReloadRequested, this, [] { TrayMenu::shared().reloadProjects(); });
    connect(&settings, &SettingsRequests::noticeRequested, this,
            [](const QString &emoji, const QString &text) { showText(emoji, true, text); });

    // The overlay's outputs: copied, saved, uploaded, or why not.
    OverlayNotices &overlay = OverlayNotices::shared();
    connect(&overlay, &OverlayNotices::noticeRequested, this,
            [](const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
                tray().show(emoji, autoHide, content);
            });
    connect(&overlay, &OverlayNotices::errorNoticeRequested, this,
            [](const std::optional<QByteArray> &pngData, const QString &description) {
                tray().showError(pngData, description);
            });
    connect(&overlay, &OverlayNotices::uploadedNoticeRequested, this,
            [](const std::optional<QString> &linkPath) { tray().showUploaded(linkPath); });
    connect(&overlay, &OverlayNotices::signInNoticeRequested, this, [](const QByteArray &pngData) {
        tray().show(QString::fromUtf8("\xf0\x9f\x98\x91"), false, tray().showSignInRequired(pngData));
    });
    connect(&overlay, &OverlayNotices::offlineNoticeRequested, this, [](const QByteArray &pngData) {
        tray().show(QString::fromUtf8("\xf0\x9f\xa4\x94"), false, tray().showNoInternet(pngData));
    });

    // Preferences that cannot be saved would look saved until the next start: say so,
    // once.
    connect(&PreferencesStore::shared(), &PreferencesStore::writeFailed, this, [](const QString &reason) {
        showText(std::nullopt, true, QStringLiteral("Settings can't be saved: ") + reason);
    });

    // The cloud client found the sign-in expired: the status menu signs out.
    m_tokenExpired = NotificationHub::shared().observe(QStringLiteral("tokenExpired"), this,
                                                       [] { TrayMenu::shared().logoutAction(); });
}

void ApplicationWiring::wireRecording(const TestSwitches &switches) {
    VideoRecorderCore &recorder = VideoRecorderCore::shared();
    // A microphone that goes away mid-recording leaves the recording going with
    // silence; the user learns why the sound stopped.
    connect(&recorder, &VideoRecorderCore::microphoneLost, this, [&recorder](const QString &name) {
        showText(std::nullopt, true,
                 recorder.isRecording() ? QStringLiteral("The microphone \u201c%1\u201d went away; the recording goes "
                                                         "on with silence.")
                                              .arg(name)
                                        : QStringLiteral("The microphone \u201c%1\u201d went away.").arg(name));
    });
    // A full disk leaves the recording as it was written (playable) rather than
    // the ordinary movie: the user learns where it is.
    connect(&recorder, &VideoRecorderCore::movieKeptAsRecorded, this, [](const QString &path) {
        showUntilClosed(QStringLiteral("There was no room to finish the movie; it is kept, playable, at %1").arg(path));
    });
    // The sound server's client and the encoder are set up when a recording starts;
    // on a lost X server the movie must be finished before they are torn down.
    RecordModel *record = Models::shared().recordModel();
    connect(record, &RecordModel::isRecordingChanged, this, [record] {
        if (record->isRecording())
            renewX11ExitWords();
    });

    if (switches.testCamera)
        installTestCamera();
    if (switches.keepOverlayMs)
        DrawCore::shared().setKeepMemoryAfterCapture(*switches.keepOverlayMs);
}

void ApplicationWiring::unwireStatusMenu() { QObject::disconnect(m_tokenExpired); }

} // namespace qn
