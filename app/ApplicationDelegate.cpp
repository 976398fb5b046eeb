#include "app/ApplicationDelegate.h"

#include "app/Analytic.h"
#include "app/ApplicationHooks.h"
#include "app/MainMenu.h"
#include "app/TrayMenu.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawCore.h"
#include "capture/WindowsCore.h"
#include "platform/Analytics.h"
#include "platform/NotificationHub.h"
#include "platform/PreferencesStore.h"
#include "platform/X11ConnectionLoss.h"
#include "recording/VideoRecorderCore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>

namespace qn {

ApplicationDelegate::ApplicationDelegate(QObject *parent) : QObject(parent) {}

void ApplicationDelegate::applicationDidFinishLaunching() {
    // An exception that escapes to the event loop ends the process (Qt's own rule),
    // so there is nothing to register for it here.
    installApplicationHooks();
    Analytics::shared().configure();
    // Preferences that cannot be saved would look saved until the next start: say so,
    // once.
    PreferencesStore::setWriteFailureHandler([](const QString &reason) {
        TrayNotificationsManager::shared().show(
            std::nullopt, true, notice::row({notice::text(QStringLiteral("Settings can't be saved: ") + reason)}));
    });
    // The first read of the user's name creates the three shared models.
    Analytic::setDefaultParameters();
    MainMenu::shared().build();

    TrayMenu &tray = TrayMenu::shared();
    tray.setup();
    m_tokenExpired =
        NotificationHub::shared().observe(QStringLiteral("tokenExpired"), &tray, [&tray] { tray.logoutAction(); });

    SettingsModel *settings = Models::shared().settingsModel();
    if (settings->needOnboarding())
        WindowsCore::shared().openOnboarding();
    settings->setFirstRun(false);

    // The camera and microphone lists stay fresh for the whole run.
    QPointer<RecordModel> record = Models::shared().recordModel();
    auto *devices = new QTimer(this);
    devices->setInterval(10'000);
    connect(devices, &QTimer::timeout, this, [record] {
        if (!record)
            return;
        record->updateAudioDevices();
        record->updateVideoDevices();
    });
    devices->start();

    // A microphone that goes away mid-recording leaves the recording going with
    // silence; the user learns why the sound stopped.
    VideoRecorderCore &recorder = VideoRecorderCore::shared();
    connect(&recorder, &VideoRecorderCore::microphoneLost, this, [&recorder](const QString &name) {
        const QString text = recorder.isRecording()
                                 ? QStringLiteral("The microphone \u201c%1\u201d went away; the recording goes on "
                                                  "with silence.")
                                       .arg(name)
                                 : QStringLiteral("The microphone \u201c%1\u201d went away.").arg(name);
        TrayNotificationsManager::shared().show(std::nullopt, true, notice::row({notice::text(text)}));
    });

    // The sound server's client and the encoder are set up when a recording starts;
    // on a lost X server the movie must be finished before they are torn down.
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, this, [] {
        if (Models::shared().recordModel()->isRecording())
            renewX11ExitWords();
    });

    // The first capture finds its windows made; made once the event loop runs, so
    // the tray is up first.
    QTimer::singleShot(0, this, [] { DrawCore::shared().prepareOverlays(); });

    std::printf("Quillnest started\n");
    std::fflush(stdout);
}

void ApplicationDelegate::anotherLaunchHandedOver() {
    std::printf("Another launch handed over to this program\n");
    std::fflush(stdout);
}

void ApplicationDelegate::terminationRequested(int signalNumber) {
    std::printf("Quillnest ends on signal %d\n", signalNumber);
    std::fflush(stdout);
    // The movie first: the quit below may be the last thing the session allows.
    if (VideoRecorderCore *recorder = VideoRecorderCore::sharedIfMade())
        recorder->finishNow();
    QCoreApplication::quit();
}

void ApplicationDelegate::applicationWillTerminate() {
    // Quit in the status menu while recording: the movie is finished, not lost.
    if (VideoRecorderCore *recorder = VideoRecorderCore::sharedIfMade()) {
        recorder->finishNow();
        recorder->stopMicrophoneSession();
        recorder->stopCameraSession();
    }
    QObject::disconnect(m_tokenExpired);
    TrayMenu::shared().teardown();
}

} // namespace qn
