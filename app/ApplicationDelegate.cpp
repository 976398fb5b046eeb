#include "app/ApplicationDelegate.h"

#include "app/Models.h"
#include "app/SettingsModel.h"
#include "platform/Analytics.h"
#include "recording/RecordModel.h"

#include <QPointer>
#include <QTimer>
#include <cstdio>

namespace qn {

ApplicationDelegate::ApplicationDelegate(QObject *parent) : QObject(parent) {}

void ApplicationDelegate::applicationDidFinishLaunching() {
    Analytics::shared().configure();
    Analytics::shared().setDefaultParameters({{QStringLiteral("username"), Models::shared().settingsModel()->name()}});

    Models::shared().settingsModel()->setFirstRun(false);

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

    std::printf("Quillnest started\n");
    std::fflush(stdout);
}

void ApplicationDelegate::applicationWillTerminate() {}

} // namespace qn
