#include "app/ApplicationDelegate.h"

#include "app/Analytic.h"
#include "app/ApplicationHooks.h"
#include "app/MainMenu.h"
#include "app/TrayMenu.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawCore.h"
#include "capture/WindowsCore.h"
#include "platform/Analytics.h"
#include "platform/Background.h"
#include "platform/Diagnostics.h"
#include "platform/MovieWriter.h"
#include "platform/NotificationHub.h"
#include "platform/PreferencesStore.h"
#include "platform/X11ConnectionLoss.h"
#include "recording/VideoRecorderCore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QTimer>

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

    // A full disk leaves the recording as it was written (playable) rather than
    // the ordinary movie: the user learns where it is.
    connect(&recorder, &VideoRecorderCore::movieKeptAsRecorded, this, [](const QString &path) {
        TrayNotificationsManager::shared().show(
            std::nullopt, false,
            notice::row({notice::text(QStringLiteral("There was no room to finish the movie; it is kept, playable, "
                                                     "at %1")
                                          .arg(path)),
                         notice::separator(),
                         notice::button(QStringLiteral("Close"), [] { TrayNotificationsManager::shared().hide(); })}));
    });
    recoverMovies();

    // The sound server's client and the encoder are set up when a recording starts;
    // on a lost X server the movie must be finished before they are torn down.
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, this, [] {
        if (Models::shared().recordModel()->isRecording())
            renewX11ExitWords();
    });

    // The first capture finds its windows made; made once the event loop runs, so
    // the tray is up first.
    QTimer::singleShot(0, this, [] { DrawCore::shared().prepareOverlays(); });

    diagnostics::report(diagnostics::started());
}

// A recording the program could not finish (it was killed, or crashed) is finished
// now; no movie stays behind in the temporary folder without a word.
void ApplicationDelegate::recoverMovies() {
    const QString folder = Helper::tempFolder();
    runInBackground(
        this, [folder] { return MovieWriter::recoverLeftovers(folder); },
        [](const std::vector<MovieWriter::RecoveredMovie> &movies) {
            if (movies.empty())
                return;
            QStringList sentences;
            for (const MovieWriter::RecoveredMovie &movie : movies) {
                if (movie.ok && movie.error.isEmpty())
                    sentences << QStringLiteral("A recording that was cut short is recovered: %1").arg(movie.path);
                else if (movie.ok)
                    sentences << QStringLiteral("A recording that was cut short is kept, playable, at %1 (%2)")
                                     .arg(movie.path, movie.error);
                else
                    sentences << QStringLiteral("A recording that was cut short could not be recovered (%1); it is "
                                                "kept at %2")
                                     .arg(movie.error, movie.path);
            }
            TrayNotificationsManager::shared().show(std::nullopt, false,
                                                    notice::row({notice::text(sentences.join(QLatin1Char(' '))),
                                                                 notice::separator(),
                                                                 notice::button(QStringLiteral("Close"), [] {
                                                                     TrayNotificationsManager::shared().hide();
                                                                 })}));
        });
}

void ApplicationDelegate::anotherLaunchHandedOver() { diagnostics::report(diagnostics::launchHandedOver()); }

void ApplicationDelegate::terminationRequested(int signalNumber) {
    diagnostics::report(diagnostics::endsOnSignal(signalNumber));
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
