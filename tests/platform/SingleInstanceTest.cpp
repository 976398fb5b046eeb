#include "platform/SingleInstance.h"
#include "platform/PreferencesStore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qn;

TEST(SingleInstance, ALaterLaunchStepsAsideAndTellsTheRunningOne) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    ASSERT_TRUE(running.claim());
    QSignalSpy told(&running, &SingleInstance::anotherLaunched);

    // The later launch's blocking hand-over needs the running one's event loop: run
    // it from a timer while this thread waits on the signal.
    bool claimed = true;
    QTimer::singleShot(0, [&] {
        SingleInstance later(folder.path());
        claimed = later.claim();
    });
    EXPECT_TRUE(told.wait(5000) || told.count() == 1);
    EXPECT_FALSE(claimed);
}

TEST(SingleInstance, TheLockGoesWithTheRunningOne) {
    QTemporaryDir folder;
    {
        SingleInstance first(folder.path());
        ASSERT_TRUE(first.claim());
    }
    SingleInstance next(folder.path());
    EXPECT_TRUE(next.claim());
}

TEST(PreferencesStore, AWriteThatDoesNotReachTheFileIsReportedOnce) {
    QTemporaryDir dir;
    // A folder that is a file: no one, root included, can create the file in it.
    const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    PreferencesStore store(blocker + QStringLiteral("/prefs.ini"));
    QSignalSpy reasons(&store, &PreferencesStore::writeFailed);
    store.setBool(QStringLiteral("isMuted"), true);
    EXPECT_FALSE(store.writable());
    store.setText(QStringLiteral("name"), QStringLiteral("Ann"));
    store.setBool(QStringLiteral("isMuted"), false);
    ASSERT_EQ(reasons.size(), 1);
    // The reason is the system's, not an empty word.
    EXPECT_FALSE(reasons.at(0).at(0).toString().isEmpty());
    // The values hold for this run all the same.
    EXPECT_EQ(store.text(QStringLiteral("name")), QStringLiteral("Ann"));

    PreferencesStore fine(dir.filePath(QStringLiteral("ok.ini")));
    fine.setBool(QStringLiteral("isMuted"), true);
    EXPECT_TRUE(fine.writable());

    // A damaged file that can be written is not a failure to save.
    const QString damaged = dir.filePath(QStringLiteral("damaged.ini"));
    QFile garbage(damaged);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x00\xff\xfe[[[General\n=\x01\x02\nisMuted\n\x89PNG\r\n");
    garbage.close();
    PreferencesStore repaired(damaged);
    QSignalSpy repairFailures(&repaired, &PreferencesStore::writeFailed);
    repaired.setBool(QStringLiteral("isMuted"), true);
    EXPECT_TRUE(repaired.writable());
    EXPECT_TRUE(repairFailures.isEmpty());
}
