#include "app/TrayMenu.h"

#include "app/state/Defines.h"
#include "app/state/SettingsModel.h"
#include "platform/Analytics.h"
#include "support/TempPreferences.h"
#include "tests/app/Drafts.h"
#include "tests/app/SandboxHome.h"

#include <QDesktopServices>
#include <QJsonObject>
#include <QMenu>
#include <gtest/gtest.h>

using namespace qn;
using test::draft;

namespace {

// Pages the menu opens, caught instead of reaching a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    QStringList opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url.toString()); }
};

// "-" for a separator, "✓" before a checked title, "(off)" after a disabled one,
// and the submenu's items in brackets.
QStringList shape(const QMenu *menu) {
    QStringList out;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator()) {
            out << QStringLiteral("-");
            continue;
        }
        QString s = (a->isChecked() ? QStringLiteral("✓") : QString()) + a->text();
        if (!a->isEnabled())
            s += QStringLiteral(" (off)");
        if (a->menu())
            s += QStringLiteral(" [") + shape(a->menu()).join(QStringLiteral(", ")) + QStringLiteral("]");
        out << s;
    }
    return out;
}

QAction *find(const QMenu *menu, const QString &title) {
    for (QAction *a : menu->actions()) {
        if (a->text() == title)
            return a;
        if (a->menu())
            if (QAction *inner = find(a->menu(), title))
                return inner;
    }
    return nullptr;
}

class TrayMenuTest : public ::testing::Test {
protected:
    test::TempPreferences prefs;
    SettingsModel settings{prefs.store()};
    TrayMenu tray{settings, nullptr};

    void SetUp() override { tray.rebuildMenu(); }
    QStringList menu() {
        tray.rebuildMenu();
        return shape(tray.mainMenu());
    }
    void signIn() {
        settings.setName(QStringLiteral("Ann"));
        settings.setToken(QStringLiteral("t0k3n"));
        tray.rebuildMenu(); // as the sign-in does
    }
};

const QString kInfo = QStringLiteral("More info [quillnest.app, Onboarding, Keyboard, About]");

} // namespace

TEST_F(TrayMenuTest, SignedOutLayout) {
    EXPECT_EQ(menu(), QStringList({"Take Screenshot", "-", "Sign In / Sign Up", "-", "Autoupload to cloud",
                                   "✓Show Notifications", "✓Sound Notifications ON/OFF", "Settings", "-",
                                   "Check for updates", kInfo, "-", "Quit"}));
    EXPECT_EQ(tray.iconName(), QStringLiteral("default@tray-logo"));
    EXPECT_EQ(find(tray.mainMenu(), QStringLiteral("Take Screenshot"))->shortcut(),
              QKeySequence(QStringLiteral("Alt+Shift+S")));
}

TEST_F(TrayMenuTest, CheckMarksFollowThePreferences) {
    struct Case {
        bool autoUpload, showNotifications, muted;
    };
    for (const Case c : {Case{true, false, true}, Case{false, true, false}, Case{true, true, true}}) {
        settings.setAutoUpload(c.autoUpload);
        settings.setShowNotifications(c.showNotifications);
        settings.setMuted(c.muted);
        const QMenu *m = tray.mainMenu(); // each write has rebuilt it already
        EXPECT_EQ(find(m, QStringLiteral("Autoupload to cloud"))->isChecked(), c.autoUpload);
        EXPECT_EQ(find(m, QStringLiteral("Show Notifications"))->isChecked(), c.showNotifications);
        EXPECT_EQ(find(m, QStringLiteral("Sound Notifications ON/OFF"))->isChecked(), !c.muted);
    }
}

TEST_F(TrayMenuTest, SignedInLayoutWithProjectsAndDrafts) {
    signIn();
    EXPECT_EQ(menu(), QStringList({"Take Screenshot", "-", "My Cloud", "New Comments (off)", "-",
                                   "Autoupload to cloud", "✓Show Notifications", "✓Sound Notifications ON/OFF",
                                   "Settings", "-", "Check for updates", kInfo, "-", "Log Out", "-", "Quit"}));

    settings.setShowProjects(true);
    settings.setProjects({{1, QStringLiteral("Site"), QStringLiteral("https://a"), false, 0},
                          {2, QStringLiteral("Temp"), QStringLiteral("https://b"), false, 1},
                          {3, QStringLiteral("Docs"), QStringLiteral("https://c"), true, 0}});
    // Projects alone do not rebuild the menu; the drafts that follow do.
    settings.setFeeds({draft(7, QStringLiteral("Draft A"), QStringLiteral("abc")),
                       draft(8, QStringLiteral("Draft B"), QStringLiteral("def"))});
    const QStringList m = shape(tray.mainMenu());
    EXPECT_EQ(m.mid(2, 3), QStringList({"My Cloud", "Go to Project [Site, Docs]",
                                        "New Comments  \U0001F4AC\uFE0F [Draft A, Draft B, -, Mark all as read]"}));
    EXPECT_EQ(tray.iconName(), QStringLiteral("notification@tray-logo"));
    // Exactly two spaces, then U+1F4AC U+FE0F.
    EXPECT_EQ(find(tray.mainMenu(), QStringLiteral("Go to Project"))->menu()->actions().size(), 2);
    const QString comments = tray.mainMenu()->actions().at(4)->text();
    EXPECT_EQ(comments.toUcs4(), QList<uint>({'N', 'e', 'w', ' ', 'C', 'o', 'm', 'm', 'e', 'n', 't', 's', ' ', ' ',
                                              0x1F4AC, 0xFE0F}));
}

TEST_F(TrayMenuTest, OnlyTemporaryProjectsLeaveGoToProjectDisabled) {
    signIn();
    settings.setShowProjects(true);
    settings.setProjects({{2, QStringLiteral("Temp"), QStringLiteral("https://b"), false, 1}});
    EXPECT_EQ(menu().at(3), QStringLiteral("Go to Project (off)"));
}

TEST_F(TrayMenuTest, UpdateSwitchesIconAndTitle) {
    tray.updateFound();
    EXPECT_EQ(tray.iconName(), QStringLiteral("notification@tray-logo"));
    EXPECT_TRUE(find(tray.mainMenu(), QStringLiteral("New Update Ready \U0001F44B")));
    tray.updateNotFound();
    EXPECT_EQ(tray.iconName(), QStringLiteral("default@tray-logo"));
    EXPECT_TRUE(find(tray.mainMenu(), QStringLiteral("Check for updates")));
}

TEST_F(TrayMenuTest, TogglesFlipTheirPreference) {
    tray.rebuildMenu();
    find(tray.mainMenu(), QStringLiteral("Autoupload to cloud"))->trigger();
    EXPECT_TRUE(settings.autoUpload());
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("autoUpload")), true);
    find(tray.mainMenu(), QStringLiteral("Show Notifications"))->trigger();
    EXPECT_FALSE(settings.showNotifications());
    find(tray.mainMenu(), QStringLiteral("Sound Notifications ON/OFF"))->trigger();
    EXPECT_TRUE(settings.muted());
    EXPECT_FALSE(settings.notMuted());
    EXPECT_FALSE(find(tray.mainMenu(), QStringLiteral("Sound Notifications ON/OFF"))->isChecked());
    tray.muteAction();
    EXPECT_FALSE(settings.muted());
    EXPECT_TRUE(settings.notMuted());
}

TEST_F(TrayMenuTest, OpeningADraftRemovesEveryDraftWithItsId) {
    UrlCatcher urls;
    signIn();
    settings.setFeeds({draft(7, QStringLiteral("A"), QStringLiteral("abc")),
                       draft(8, QStringLiteral("B"), QStringLiteral("def")),
                       draft(7, QStringLiteral("A again"), QStringLiteral("abc"))});
    find(tray.mainMenu(), QStringLiteral("A"))->trigger();
    ASSERT_EQ(settings.feeds().size(), 1);
    EXPECT_EQ(settings.feeds().at(0).id, 8);
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_TRUE(urls.opened.at(0).endsWith(QStringLiteral("/abc")));

    // A project opens its page and changes nothing in the menu.
    settings.setShowProjects(true);
    settings.setProjects({{1, QStringLiteral("Site"), QStringLiteral("https://example.com/p/1"), false, 0},
                          {2, QStringLiteral("Bad"), QStringLiteral("javascript:alert(1)"), false, 0}});
    tray.rebuildMenu(); // as the loaders do after filling the projects
    QMenu *before = tray.mainMenu();
    find(before, QStringLiteral("Site"))->trigger();
    find(before, QStringLiteral("Bad"))->trigger();
    EXPECT_EQ(tray.mainMenu(), before);
    EXPECT_EQ(urls.opened.last(), QStringLiteral("https://example.com/p/1"));
    EXPECT_EQ(urls.opened.size(), 2); // the javascript: address never opens
}

TEST_F(TrayMenuTest, MarkAllAsReadEmptiesTheDrafts) {
    signIn();
    settings.setFeeds({draft(7, QStringLiteral("A"), QStringLiteral("abc"))});
    find(tray.mainMenu(), QStringLiteral("Mark all as read"))->trigger();
    EXPECT_TRUE(settings.feeds().isEmpty());
    EXPECT_EQ(tray.iconName(), QStringLiteral("default@tray-logo"));
    EXPECT_EQ(find(tray.mainMenu(), QStringLiteral("New Comments"))->isEnabled(), false);
}

TEST_F(TrayMenuTest, LogOutShowsSignInAndKeepsDrafts) {
    signIn();
    settings.setFeeds({draft(7, QStringLiteral("A"), QStringLiteral("abc"))});
    find(tray.mainMenu(), QStringLiteral("Log Out"))->trigger();
    EXPECT_EQ(settings.token(), QString());
    EXPECT_TRUE(find(tray.mainMenu(), QStringLiteral("Sign In / Sign Up")));
    // Sign-out keeps the drafts, so the icon still says there is news.
    EXPECT_EQ(tray.iconName(), QStringLiteral("notification@tray-logo"));
}

TEST_F(TrayMenuTest, WebPagesOfTheMenu) {
    UrlCatcher urls;
    signIn();
    find(tray.mainMenu(), QStringLiteral("My Cloud"))->trigger();
    find(tray.mainMenu(), QStringLiteral("quillnest.app"))->trigger();
    EXPECT_EQ(urls.opened, QStringList({Defines::host() + QStringLiteral("/public"),
                                        QStringLiteral("https://quillnest.app")}));
}

TEST_F(TrayMenuTest, DescribeGivesTitlesChecksAndSubmenus) {
    tray.rebuildMenu();
    const QJsonArray items = TrayMenu::describe(tray.mainMenu());
    EXPECT_EQ(items.at(0).toObject().value(QStringLiteral("shortcut")).toString(), QStringLiteral("Alt+Shift+S"));
    EXPECT_TRUE(items.at(1).toObject().value(QStringLiteral("separator")).toBool());
    EXPECT_TRUE(items.at(5).toObject().value(QStringLiteral("checked")).toBool());
    EXPECT_EQ(items.at(10).toObject().value(QStringLiteral("submenu")).toArray().size(), 4);
}

#include "TrayMenuTest.moc"
