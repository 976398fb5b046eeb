#include "settings/SettingsHooks.h"

#include "app/state/SettingsModel.h"
#include "settings/ApplicationSettings.h"
#include "settings/CloudSettings.h"
#include "settings/ShortcutRecorder.h"
#include "support/TempPreferences.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Records which hook the pages called; restores the hooks the process had.
class SettingsHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = SettingsHooks::shared();
        SettingsHooks &hooks = SettingsHooks::shared();
        hooks.login = [this] { calls.append(QStringLiteral("login")); };
        hooks.logout = [this] { calls.append(QStringLiteral("logout")); };
        hooks.reloadProjects = [this] { calls.append(QStringLiteral("reloadProjects")); };
        hooks.notice = [this](const QString &emoji, const QString &text) {
            calls.append(QStringLiteral("notice ") + emoji + QLatin1Char(' ') + text);
        };
    }
    void TearDown() override { SettingsHooks::shared() = saved; }

    SettingsHooks saved;
    QStringList calls;
    test::TempPreferences prefs;
    SettingsModel model{prefs.store()};
};

} // namespace

// The cloud page's buttons reach the status menu only through the hooks.
TEST_F(SettingsHooksTest, CloudPageButtonsCallTheirHook) {
    CloudSettings page(model);
    const struct {
        const char *button;
        const char *hook;
    } cases[] = {{"signIn", "login"}, {"logOut", "logout"}, {"refresh", "reloadProjects"}};
    for (const auto &c : cases) {
        calls.clear();
        auto *button = page.findChild<QAbstractButton *>(QString::fromLatin1(c.button));
        ASSERT_TRUE(button) << c.button;
        button->click();
        EXPECT_EQ(calls, QStringList{QString::fromLatin1(c.hook)}) << c.button;
    }
}

TEST_F(SettingsHooksTest, ARefusedShortcutBecomesANotice) {
    ApplicationSettings page(model);
    auto *recorder = page.findChild<ShortcutRecorder *>(QStringLiteral("screenshotHotkey"));
    ASSERT_TRUE(recorder);
    Q_EMIT recorder->refused(QKeySequence(QStringLiteral("Ctrl+Q")), QStringLiteral("Taken by another program"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("notice \u2328\uFE0F Taken by another program")});
}

// A page used before the application filled the hooks in (a test, a gallery) does
// nothing rather than fail.
TEST_F(SettingsHooksTest, EmptyHooksDoNothing) {
    SettingsHooks::shared() = SettingsHooks();
    CloudSettings cloud(model);
    for (const char *name : {"signIn", "logOut", "refresh"})
        cloud.findChild<QAbstractButton *>(QString::fromLatin1(name))->click();
    ApplicationSettings app(model);
    Q_EMIT app.findChild<ShortcutRecorder *>(QStringLiteral("screenshotHotkey"))
        ->refused(QKeySequence(QStringLiteral("Ctrl+Q")), QStringLiteral("x"));
    EXPECT_EQ(SettingsHooks::window(SettingsHooks::shared().settingsWindow), nullptr);
    EXPECT_TRUE(calls.isEmpty());
}
