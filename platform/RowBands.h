#pragma once
#include <functional>

namespace qn {

// Runs `work(i)` for every i in [0, count), on the calling thread and on the thread
// pool, and returns when every one is done. The caller takes part and waits only for
// the items a running thread has taken, never for a helper that has not started: the
// callers are often pool tasks themselves (a picture prepared in the background), and
// on a two-core machine the pool has two threads, which two such callers waiting on
// queued helpers would hold for ever.
void forEachIndex(int count, const std::function<void(int index)> &work);

// Runs `work(first, end)` over the rows [top, bottom) in bands of a few dozen rows, as
// forEachIndex does. Whole-screen pictures are tens of megabytes: one core alone waits
// on memory for milliseconds, while the pool's threads sit idle.
void forEachRowBand(int top, int bottom, const std::function<void(int first, int end)> &work);

} // namespace qn
