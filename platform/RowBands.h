#pragma once
#include <functional>

namespace qn {

// Runs `work(first, end)` over the rows [top, bottom) in bands of a few dozen rows, on
// the thread pool, and returns when every band is done. Whole-screen pictures are tens
// of megabytes: one core alone waits on memory for milliseconds, while the pool's
// threads sit idle.
void forEachRowBand(int top, int bottom, const std::function<void(int first, int end)> &work);

} // namespace qn
