#include "platform/RowBands.h"

#include <QSemaphore>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace qn {
namespace {

TEST(RowBands, EveryRowIsVisitedOnceInBandsThatCoverTheRange) {
    struct Case {
        int top, bottom;
    };
    for (const Case c : {Case{0, 1}, Case{0, 128}, Case{0, 129}, Case{5, 2165}, Case{10, 10}, Case{10, 3}}) {
        std::vector<std::atomic<int>> seen(std::max(c.bottom, 1));
        forEachRowBand(c.top, c.bottom, [&](int first, int end) {
            EXPECT_LT(first, end);
            for (int y = first; y < end; ++y)
                ++seen[size_t(y)];
        });
        for (int y = 0; y < int(seen.size()); ++y)
            EXPECT_EQ(seen[size_t(y)], (y >= c.top && y < c.bottom) ? 1 : 0)
                << c.top << ".." << c.bottom << " row " << y;
    }
}

// Every thread of a small pool runs a task that itself splits work over the pool (two
// screens' pictures prepared at once on a two-core machine). Waiting on helpers that
// cannot start while their callers hold every thread used to hang the program.
TEST(RowBands, CallersThatHoldEveryPoolThreadStillFinish) {
    QThreadPool *pool = QThreadPool::globalInstance();
    const int kept = pool->maxThreadCount();
    pool->setMaxThreadCount(2);
    QSemaphore finished;
    std::atomic<int> rows{0};
    for (int task = 0; task < 2; ++task)
        pool->start([&] {
            forEachRowBand(0, 4096, [&](int first, int end) { rows += end - first; });
            finished.release();
        });
    const bool done = finished.tryAcquire(2, 20'000);
    EXPECT_TRUE(done);
    if (done) {
        EXPECT_EQ(rows, 2 * 4096);
    }
    pool->waitForDone(done ? -1 : 0);
    pool->setMaxThreadCount(kept);
}

} // namespace
} // namespace qn
