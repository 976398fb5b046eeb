#include "editor_ui/DelayedWork.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(DelayedWorkTest, ReplacedJobNeverRunsAndCancelledJobNeitherDoes) {
    DelayedWork work;
    QStringList ran;
    work.schedule(40, [&] { ran << QStringLiteral("first"); });
    work.schedule(80, [&] { ran << QStringLiteral("second"); });
    EXPECT_TRUE(work.isPending());
    QTest::qWait(150);
    EXPECT_EQ(ran, QStringList{QStringLiteral("second")});
    EXPECT_FALSE(work.isPending());

    work.schedule(20, [&] { ran << QStringLiteral("third"); });
    work.cancel();
    QTest::qWait(60);
    EXPECT_EQ(ran, QStringList{QStringLiteral("second")});
}

TEST(DelayedWorkTest, AJobMayScheduleTheNextOne) {
    DelayedWork work;
    int runs = 0;
    std::function<void()> again = [&] {
        if (++runs < 3)
            work.schedule(5, again);
    };
    work.schedule(5, again);
    QTest::qWait(100);
    EXPECT_EQ(runs, 3);
}
