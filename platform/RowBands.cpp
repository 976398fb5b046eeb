#include "platform/RowBands.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <vector>

namespace qn {

void forEachRowBand(int top, int bottom, const std::function<void(int first, int end)> &work) {
    constexpr int kRows = 128;
    std::vector<int> bands;
    for (int y = top; y < bottom; y += kRows)
        bands.push_back(y);
    QtConcurrent::blockingMap(bands, [&](int first) { work(first, std::min(bottom, first + kRows)); });
}

} // namespace qn
