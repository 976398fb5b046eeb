#include "platform/Background.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace qn;

// Thousands of short jobs in flight at once, with half of their receivers destroyed
// while the work still runs: the pattern a capture goes through on every hot key,
// crop and Esc. Every live receiver gets its result exactly once, on its own
// thread; a destroyed one gets nothing; nothing crashes.
TEST(RunInBackground, ManyShortJobsDeliverOnceOnTheReceiversThread) {
    constexpr int kRounds = 40;
    constexpr int kPerRound = 500;
    QThread *gui = QThread::currentThread();
    std::vector<int> delivered(kRounds * kPerRound, 0);
    int wrongThread = 0;
    int expected = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<QObject>> receivers;
        for (int i = 0; i < kPerRound; ++i) {
            const int id = round * kPerRound + i;
            receivers.push_back(std::make_unique<QObject>());
            runInBackground(
                receivers.back().get(), [id] { return id; },
                [&, gui](int value) {
                    ++delivered[value];
                    if (QThread::currentThread() != gui)
                        ++wrongThread;
                });
        }
        // Every other receiver goes away before its result can arrive.
        for (int i = 0; i < kPerRound; i += 2)
            receivers[i].reset();
        expected += kPerRound / 2;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                int sum = 0;
                for (int i = 1; i < kPerRound; i += 2)
                    sum += delivered[round * kPerRound + i];
                return sum == kPerRound / 2;
            },
            10000))
            << "round " << round;
        receivers.clear();
    }
    QCoreApplication::processEvents();
    int total = 0;
    for (size_t id = 0; id < delivered.size(); ++id) {
        const bool live = (id % kPerRound) % 2 == 1;
        EXPECT_EQ(delivered[id], live ? 1 : 0) << id;
        total += delivered[id];
    }
    EXPECT_EQ(total, expected);
    EXPECT_EQ(wrongThread, 0);
}

TEST(RunInBackground, WorkWithoutResultStillCompletes) {
    QObject receiver;
    std::atomic<bool> ran{false};
    bool done = false;
    runInBackground(
        &receiver, [&ran] { ran = true; }, [&] { done = ran.load(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
}
