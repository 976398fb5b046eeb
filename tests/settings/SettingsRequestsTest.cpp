#include "settings/SettingsRequests.h"

#include "app/state/SettingsModel.h"
#include "settings/AppearanceSettings.h"
#include "settings/ApplicationSettings.h"
#include "settings/CloudSettings.h"
#include "settings/ShortcutRecorder.h"
#include "support/TempPreferences.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Records which request the pages made, in order, while the test runs.
class SettingsRequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsRequests &requests = SettingsRequests::shared();
        QObject::connect(&requests, &SettingsRequests::loginRequested, &listener,
                         [this] { calls.append(QStringLiteral("login")); });
        QObject::connect(&requests, &SettingsRequests::logoutRequested, &listener,
                         [this] { calls.append(QStringLiteral("logout")); });
        QObject::connect(&requests, &SettingsRequests::projectsReloadRequested, &listener,
                         [this] { calls.append(QStringLiteral("reloadProjects")); });
        QObject::connect(&requests, &SettingsRequests::noticeRequested, &listener,
                         [this](const QString &emoji, const QString &text) {
                             calls.append(QStringLiteral("notice ") + emoji + QLatin1Char(' ') + text);
                         });
    }

    QObject listener; // the connections end with the test
    QStringList calls;
    test::TempPreferences prefs;
    SettingsModel model{prefs.store()};
};

} // namespace

// The cloud page's buttons reach the status menu only through the requests.
TEST_F(SettingsRequestsTest, CloudPageButtonsAskForTheirAction) {
    CloudSettings page(model);
    const struct {
        const char *button;
        const char *request;
    } cases[] = {{"signIn", "login"}, {"logOut", "logout"}, {"refresh", "reloadProjects"}};
    for (const auto &c : cases) {
        calls.clear();
        auto *button = page.findChild<QAbstractButton *>(QString::fromLatin1(c.button));
        ASSERT_TRUE(button) << c.button;
        button->click();
        EXPECT_EQ(calls, QStringList{QString::fromLatin1(c.request)}) << c.button;
    }
}

TEST_F(SettingsRequestsTest, ResettingTheAppearanceReloadsTheProjects) {
    AppearanceSettings page(model);
    page.resetAppearance();
    EXPECT_EQ(calls, QStringList{QStringLiteral("reloadProjects")});
}

TEST_F(SettingsRequestsTest, ARefusedShortcutBecomesANotice) {
    ApplicationSettings page(model);
    auto *recorder = page.findChild<ShortcutRecorder *>(QStringLiteral("screenshotHotkey"));
    ASSERT_TRUE(recorder);
    Q_EMIT recorder->refused(QKeySequence(QStringLiteral("Ctrl+Q")), QStringLiteral("Taken by another program"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("notice \u2328\uFE0F Taken by another program")});
}

// A page used where nothing listens (a test, a gallery) does nothing rather than fail.
TEST(SettingsRequests, WithNoOneListeningARequestDoesNothing) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    CloudSettings cloud(model);
    for (const char *name : {"signIn", "logOut", "refresh"})
        cloud.findChild<QAbstractButton *>(QString::fromLatin1(name))->click();
    ApplicationSettings app(model);
    Q_EMIT app.findChild<ShortcutRecorder *>(QStringLiteral("screenshotHotkey"))
        ->refused(QKeySequence(QStringLiteral("Ctrl+Q")), QStringLiteral("x"));
    SUCCEED();
}
