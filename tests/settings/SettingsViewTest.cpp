#include "settings/Settings.h"

#include "app/state/SettingsModel.h"
#include "settings/AboutSettings.h"
#include "settings/LinkButton.h"
#include "settings/ApplicationSettings.h"
#include "settings/NotificationSettings.h"
#include "app/state/SettingsMenu.h"
#include "settings/Switch.h"
#include "support/TempPreferences.h"
#include "tests/app/SandboxHome.h"
#include "uikit/BundleInfo.h"
#include "uikit/SidebarRow.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(SettingsMenu, RawValuesAreTheSidebarTitles) {
    const QStringList titles{QStringLiteral("Cloud account"), QStringLiteral("Notifications"),
                             QStringLiteral("Appearance"),    QStringLiteral("Settings"),
                             QStringLiteral("Hotkeys"),       QStringLiteral("About")};
    const QList<SettingsMenu> pages = allSettingsMenus();
    ASSERT_EQ(pages.size(), titles.size());
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(settingsMenuRawValue(pages[i]), titles[i]);
        EXPECT_EQ(settingsMenuFromRawValue(titles[i]), pages[i]);
    }
    for (const char *other : {"cloud account", "Account", "", "About "})
        EXPECT_FALSE(settingsMenuFromRawValue(QString::fromLatin1(other))) << other;
}

TEST(SettingsView, ThePageLivesInTheModel) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    model.setSettings(SettingsMenu::Notification);
    Settings view(&model);
    EXPECT_TRUE(qobject_cast<NotificationSettings *>(view.detail()));
    ASSERT_EQ(view.rows().size(), 6);
    EXPECT_TRUE(view.rows()[1]->isActive());

    // A click writes the model; the view follows it.
    QSignalSpy changed(&model, &SettingsModel::settingsChanged);
    view.rows()[5]->click();
    EXPECT_EQ(model.settings(), SettingsMenu::About);
    EXPECT_TRUE(qobject_cast<AboutSettings *>(view.detail()));
    EXPECT_TRUE(view.rows()[5]->isActive());
    EXPECT_FALSE(view.rows()[1]->isActive());

    // The row of the page on show writes the same value again; the page is kept.
    QWidget *shown = view.detail();
    view.rows()[5]->click();
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(view.detail(), shown);

    model.setSettings(SettingsMenu::Settings);
    EXPECT_TRUE(qobject_cast<ApplicationSettings *>(view.detail()));
}

TEST(NotificationSettings, TheSoundSwitchStoresItsOppositeOnlyWhenItChanges) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    NotificationSettings page(model);
    QSignalSpy rebuilds(&model, &SettingsModel::statusMenuRebuildRequested);

    // Sounds on: the reset writes neither `muted` nor "isMuted".
    page.resetNotifications();
    EXPECT_FALSE(prefs.store().contains(QStringLiteral("isMuted")));
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("showNewComments")), true);
    EXPECT_EQ(rebuilds.count(), 2);

    page.soundSwitch()->click();
    EXPECT_FALSE(model.notMuted());
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("isMuted")), true);
    model.setShowNewComments(false);
    page.resetNotifications();
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("isMuted")), false);
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("showNewComments")), true);
    EXPECT_TRUE(page.soundSwitch()->isChecked());
}

TEST(AboutSettings, VersionTexts) {
    struct Case {
        QVariantMap info;
        const char *shortText;
        const char *fullText;
    } cases[] = {
        {{{BundleInfo::kNameKey, QStringLiteral("Quillnest")},
          {BundleInfo::kVersionKey, QStringLiteral("2.1")},
          {BundleInfo::kBuildNumberKey, QStringLiteral("57")}},
         "Quillnest 2.1", "Quillnest 2.1 (build 57)"},
        {{{BundleInfo::kNameKey, QStringLiteral("Quillnest")}, {BundleInfo::kVersionKey, QStringLiteral("2.1")}},
         "Quillnest 2.1", "Quillnest 2.1 (build -)"},
        {{}, " ", "  (build -)"},
    };
    for (const Case &c : cases) {
        const BundleInfo bundle(c.info);
        EXPECT_EQ(AboutSettings::shortVersionText(bundle), QString::fromLatin1(c.shortText));
        EXPECT_EQ(AboutSettings::fullVersionText(bundle), QString::fromLatin1(c.fullText));
    }
    const BundleInfo bundle({{BundleInfo::kNameKey, QStringLiteral("Q")}, {BundleInfo::kVersionKey, QStringLiteral("1")}});
    AboutSettings page(&bundle);
    page.versionButton()->click();
    EXPECT_EQ(page.versionButton()->text(), QStringLiteral("Q 1 (build -)"));
    page.versionButton()->click();
    EXPECT_EQ(page.versionButton()->text(), QStringLiteral("Q 1"));
}

TEST(SettingsView, APageReplacedBeforeItWasPaintedIsNotTouchedAgain) {
    // The status menu's "About" opens the window and changes the page at once, before
    // the first page was ever painted.
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    Settings::markOpenRequested();
    Settings view(&model);
    model.setSettings(SettingsMenu::About);
    model.setSettings(SettingsMenu::Hotkeys);
    view.resize(716, 468);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.shownPage(), SettingsMenu::Hotkeys);
}
