#include "app/SettingsModel.h"
#include "support/TempPreferences.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;

TEST(SettingsModel, EmptyStoreGivesDefaults) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    EXPECT_TRUE(m.firstRun());
    EXPECT_EQ(m.token(), QString());
    EXPECT_FALSE(m.muted());
    EXPECT_TRUE(m.notMuted());
    EXPECT_FALSE(m.showProjects());
    EXPECT_TRUE(m.showNotifications());
    EXPECT_TRUE(m.showNewComments());
    EXPECT_FALSE(m.autoUpload());
    EXPECT_TRUE(m.uploadWatermark());
    EXPECT_TRUE(m.localWatermark());
    EXPECT_EQ(m.appearance(), Appearance::None);
    EXPECT_FALSE(m.logo().has_value());
    EXPECT_TRUE(m.needOnboarding());
}
