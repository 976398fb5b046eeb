#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "tests/app/SandboxHome.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(TrayNotificationText, ErrorMessagesAreCutAfter35Characters) {
    const QString c35(35, QLatin1Char('x'));
    struct Case {
        QString description;
        QString expected;
    };
    const QString emoji = QStringLiteral("\U0001F97A");
    const QString eAcute = QStringLiteral("e\u0301"); // e + combining acute: one character
    const Case cases[] = {
        {QString(), QStringLiteral(" ")},
        {QStringLiteral("Load Projects: nope"), QStringLiteral("Load Projects: nope ")},
        {c35, c35 + QStringLiteral(" ")},
        {c35 + QStringLiteral("y"), c35 + QStringLiteral("... ")},
        {QString(34, QLatin1Char('x')) + emoji, QString(34, QLatin1Char('x')) + emoji + QStringLiteral(" ")},
        {QString(34, QLatin1Char('x')) + emoji + emoji, QString(34, QLatin1Char('x')) + emoji + QStringLiteral("... ")},
        {eAcute.repeated(36), eAcute.repeated(35) + QStringLiteral("... ")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TrayNotificationsManager::errorMessageText(c.description), c.expected) << qPrintable(c.description);
}

TEST(TrayNotificationText, ReadsTheRowAsShown) {
    QWidget *row = notice::row({notice::text(QStringLiteral("Uploaded!")),
                                notice::button(QStringLiteral(" Open in browser"), [] {}), notice::separator(),
                                notice::button(QStringLiteral("Close"), [] {})});
    EXPECT_EQ(notice::textOf(row), QStringLiteral("Uploaded! Open in browser  |  Close"));
    delete row;
}

TEST(TrayNotificationView, BubbleIs46HighWithTheTipInTheMiddle) {
    for (const bool withEmoji : {false, true}) {
        auto *content = notice::row({notice::text(QStringLiteral("Signing in through the browser"))});
        const int contentWidth = content->sizeHint().width();
        TrayNotification view(withEmoji ? std::optional<QString>(QStringLiteral("\U0001F349")) : std::nullopt,
                              content);
        view.adjustSize();
        EXPECT_EQ(view.height(), 46);
        if (!withEmoji)
            EXPECT_EQ(view.width(), contentWidth + 28);
        else
            EXPECT_GT(view.width(), contentWidth + 28 + 8);
        EXPECT_DOUBLE_EQ(view.tipX(), view.width() * 0.5);
        // The content row sits under the tip, 40 high.
        EXPECT_EQ(content->geometry().top(), 6);
        EXPECT_EQ(content->height(), 40);
    }
}

TEST(TrayNotificationView, BubbleOutline) {
    const QPainterPath up = TrayNotification::bubblePath(QSizeF(200, 46), 100, false);
    EXPECT_TRUE(up.contains(QPointF(100, 2)));   // inside the tip
    EXPECT_FALSE(up.contains(QPointF(90, 2)));   // beside it
    EXPECT_TRUE(up.contains(QPointF(10, 40)));   // the body
    EXPECT_FALSE(up.contains(QPointF(0.5, 6.5))); // a rounded corner
    EXPECT_DOUBLE_EQ(up.boundingRect().top(), 0);
    const QPainterPath down = TrayNotification::bubblePath(QSizeF(200, 46), 150, true);
    EXPECT_TRUE(down.contains(QPointF(150, 44)));
    EXPECT_FALSE(down.contains(QPointF(100, 44)));
}

TEST(TrayNotificationPlacement, UnderTheIconAndOnTheScreen) {
    const QRect screen(0, 0, 1920, 1080);
    struct Case {
        QSize size;
        QRect icon;
        QPoint topLeft;
        qreal tipX;
        bool down;
        const char *what;
    };
    const Case cases[] = {
        {{300, 46}, {1000, 0, 24, 24}, {862, 30}, 150, false, "centred under the icon"},
        {{300, 46}, {1896, 1, 22, 22}, {1612, 29}, 287.5, false, "kept on screen at the right, tip over the icon"},
        {{300, 46}, {2, 1, 22, 22}, {8, 29}, 12.5, false, "kept on screen at the left, tip on the straight edge"},
        {{300, 46}, {1000, 1056, 24, 24}, {862, 1004}, 150, true, "tray at the bottom: above, tip down"},
        {{300, 46}, QRect(), {1612, 8}, 150, false, "no icon geometry: top right"},
    };
    for (const Case &c : cases) {
        const auto p = TrayNotificationsManager::placement(c.size, c.icon, screen);
        EXPECT_EQ(p.topLeft, c.topLeft) << c.what;
        EXPECT_DOUBLE_EQ(p.tipX, c.tipX) << c.what;
        EXPECT_EQ(p.tipPointsDown, c.down) << c.what;
    }
}

TEST(TrayNotificationsManager, OneAtATimeAndHideOnRequest) {
    TrayNotificationsManager &m = TrayNotificationsManager::shared();
    m.show(std::nullopt, true, notice::row({notice::text(QStringLiteral("first"))}));
    QPointer<QWidget> first = m.currentWindow();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->height(), 46);

    m.show(std::nullopt, false, notice::row({notice::text(QStringLiteral("second"))}));
    QPointer<QWidget> second = m.currentWindow();
    EXPECT_NE(second, first);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    QTest::qWait(5300); // the first one's 5 s hide must not close the second
    EXPECT_TRUE(second && second->isVisible());

    m.hide();
    EXPECT_EQ(m.currentWindow(), nullptr);
}

TEST(TrayNotificationsManager, UploadedOnlyWhenNotificationsAreOn) {
    TrayNotificationsManager &m = TrayNotificationsManager::shared();
    m.hide();
    Models::shared().settingsModel()->setShowNotifications(false);
    m.showUploaded(QStringLiteral("/d/1"));
    EXPECT_EQ(m.currentWindow(), nullptr);
    m.showSignedIn(QStringLiteral("Ann"));
    ASSERT_NE(m.currentWindow(), nullptr);
    EXPECT_EQ(notice::textOf(m.currentWindow()), QStringLiteral("\U0001F60BHey, Ann. You are successfully Signed in!"));
    Models::shared().settingsModel()->setShowNotifications(true);
    m.showUploaded(std::nullopt);
    EXPECT_EQ(notice::textOf(m.currentWindow()), QStringLiteral("Uploaded!"));
    m.showError(QByteArray("png"), QStringLiteral("Create Task: quota"));
    EXPECT_EQ(notice::textOf(m.currentWindow()),
              QStringLiteral("\U0001F97ACreate Task: quota Info  |  Save to your Computer  |  Close"));
    m.showError(std::nullopt, QStringLiteral("Create Task: quota"));
    EXPECT_EQ(notice::textOf(m.currentWindow()), QStringLiteral("\U0001F97ACreate Task: quota Info  |  Ok."));
    m.hide();
}
