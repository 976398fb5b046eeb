#include "platform/RowBands.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace qn {

namespace {
struct Progress {
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable allDone;
    int finished = 0;
};
} // namespace

void forEachIndex(int count, const std::function<void(int index)> &work) {
    if (count <= 0)
        return;
    auto progress = std::make_shared<Progress>();
    // A helper that starts after every item was taken touches neither `work` nor the
    // caller's frame: it only finds the counter past the end.
    const auto takeItems = [progress, count, &work] {
        int done = 0;
        for (int i = progress->next.fetch_add(1); i < count; i = progress->next.fetch_add(1)) {
            work(i);
            ++done;
        }
        if (!done)
            return;
        std::lock_guard lock(progress->mutex);
        progress->finished += done;
        if (progress->finished == count)
            progress->allDone.notify_all();
    };
    QThreadPool *pool = QThreadPool::globalInstance();
    const int helpers = std::min(count, pool->maxThreadCount()) - 1;
    for (int i = 0; i < helpers; ++i)
        pool->start(takeItems);
    takeItems();
    std::unique_lock lock(progress->mutex);
    progress->allDone.wait(lock, [&] { return progress->finished == count; });
}

void forEachRowBand(int top, int bottom, const std::function<void(int first, int end)> &work) {
    constexpr int kRows = 128;
    if (bottom <= top)
        return;
    const int count = (bottom - top + kRows - 1) / kRows;
    forEachIndex(count, [&](int i) {
        const int first = top + i * kRows;
        work(first, std::min(bottom, first + kRows));
    });
}

} // namespace qn
