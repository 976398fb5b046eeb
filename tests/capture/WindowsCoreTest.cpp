#include "capture/WindowsCore.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "settings/FullSizeWindow.h"
#include "tests/app/SandboxHome.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(WindowsCore, SettingsWindowIsOpenedOnceAndBroughtForward) {
    WindowsCore &core = WindowsCore::shared();
    SettingsModel *settings = Models::shared().settingsModel();
    core.openSettings();
    QWidget *window = core.settingsWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillnest - Settings"));

    settings->setSettings(SettingsMenu::About);
    core.openSettings();
    EXPECT_EQ(core.settingsWindow(), window);
    EXPECT_EQ(settings->settings(), SettingsMenu::Account);
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += w->windowTitle() == QStringLiteral("Quillnest - Settings");
    EXPECT_EQ(count, 1);
}

TEST(WindowsCore, ClosingHidesTheWindowAndReopeningReusesIt) {
    WindowsCore &core = WindowsCore::shared();
    core.openOnboarding();
    auto *window = qobject_cast<FullSizeWindow *>(core.onboardingWindow());
    ASSERT_TRUE(window);
    QSignalSpy closed(window, &FullSizeWindow::closed);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(closed.wait(1000));
    // Kept, not deleted: the next open shows the same window again.
    core.openOnboarding();
    EXPECT_EQ(core.onboardingWindow(), window);
    EXPECT_TRUE(window->isVisible());
    // Found by its exact title only.
    window->setWindowTitle(QStringLiteral("quillnest - onboarding"));
    EXPECT_EQ(core.onboardingWindow(), nullptr);
    window->setWindowTitle(WindowsCore::onboardingTitle);
}
