#include "app/ApplicationDelegate.h"

#include "app/Analytic.h"
#include "app/ApplicationWiring.h"
#include "app/MainMenu.h"
#include "app/TestSwitches.h"
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
    // Read once: nothing below app/ looks at the environment for them.
    const TestSwitches switches = TestSwitches::fromEnvironment();
    m_wiring.wireServices(switches);
    Analytics::shared().configure();
    // The first read of the user's name creates the three shared models.
    Analytic::setDefaultParameters();
    MainMenu::shared().build();

    TrayMenu::shared().setup();

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

    m_wiring.wireRecording(switches);
    recoverMovies();

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
    m_wiring.unwireStatusMenu();
    TrayMenu::shared().teardown();
}

} // namespace qn
