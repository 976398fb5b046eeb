#pragma once
// Shared fixture of the cloud client's tests: a client on an in-process server, a
// preferences model on a temporary file, and recorders for "tokenExpired" and
// analytics events.
#include "FakeHttpServer.h"
#include "app/state/SettingsModel.h"
#include "cloud/APICore.h"
#include "platform/Analytics.h"
#include "platform/NotificationHub.h"
#include "support/TempPreferences.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace qn::test {

class CloudTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = std::make_unique<SettingsModel>(prefs.store());
        settings->setToken(QStringLiteral("tok 1"));
        api = std::make_unique<APICore>(server.host(), settings.get());
        QObject::connect(api.get(), &APICore::uploadNoticeRequested, &observer,
                         [this] { effects.append(QStringLiteral("notice")); });
        QObject::connect(api.get(), &APICore::uploadSoundRequested, &observer,
                         [this] { effects.append(QStringLiteral("sound")); });
        api->setDefaultName([] { return QStringLiteral("Screenshot 2024-05-06 07.08.09"); });
        NotificationHub::shared().observe(QStringLiteral("tokenExpired"), &observer, [this] { ++tokenExpired; });
        Analytics::shared().setSink([this](const QString &event, const QVariantMap &) { events.append(event); });
    }
    void TearDown() override { Analytics::shared().setSink({}); }

    // Runs the event loop until `done` holds (false after the timeout).
    template <typename Predicate> static bool waitFor(Predicate done, int timeoutMs = 5000) {
        return QTest::qWaitFor(done, timeoutMs);
    }

    TempPreferences prefs;
    FakeHttpServer server;
    std::unique_ptr<SettingsModel> settings;
    std::unique_ptr<APICore> api;
    QObject observer;
    int tokenExpired = 0;
    QStringList events;
    QStringList effects; // upload notice and sound, in order
};

} // namespace qn::test
