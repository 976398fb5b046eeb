#include "platform/ScreenGrabber.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace qn;

namespace {

// A grab as the X server hands it over: colours set, alpha bytes left at 0, in memory
// the picture does not own (so an opaque pass that copied instead of working in
// place would leave this memory untouched).
struct FakeGrab {
    std::vector<quint32> memory;
    QImage image;
    FakeGrab(int width, int height, int strideWords, std::atomic<int> *released = nullptr)
        : memory(size_t(strideWords) * size_t(height)) {
        for (size_t i = 0; i < memory.size(); ++i)
            memory[i] = quint32(i * 2654435761u) & 0x00ffffffu;
        image = QImage(
            reinterpret_cast<uchar *>(memory.data()), width, height, strideWords * 4, QImage::Format_RGB32,
            [](void *counter) {
                if (counter)
                    static_cast<std::atomic<int> *>(counter)->fetch_add(1);
            },
            released);
    }
};

struct GrabSize {
    const char *name;
    int width;
    int height;
    int strideWords;
};

std::ostream &operator<<(std::ostream &os, const GrabSize &size) { return os << size.name; }

class ScreenGrabberOpaque : public testing::TestWithParam<GrabSize> {};

TEST_P(ScreenGrabberOpaque, EveryPixelBecomesOpaqueInPlaceWithItsColourKept) {
    const GrabSize size = GetParam();
    FakeGrab grab(size.width, size.height, size.strideWords);
    const std::vector<quint32> colours = grab.memory;
    const QImage copy = grab.image; // a copy made before the pass sees it too
    makeGrabOpaque(grab.image);
    for (int y = 0; y < size.height; ++y) {
        const size_t row = size_t(y) * size_t(size.strideWords);
        for (int x = 0; x < size.width; ++x)
            ASSERT_EQ(grab.memory[row + size_t(x)], colours[row + size_t(x)] | 0xff000000u) << x << "," << y;
    }
    EXPECT_EQ(copy.constBits(), reinterpret_cast<const uchar *>(grab.memory.data()));
    EXPECT_EQ(qAlpha(copy.pixel(size.width - 1, size.height - 1)), 255);
}

// Small grabs take one pass; a 4K one is split over threads, into parts that need not
// divide it evenly; a row may carry padding beyond its pixels.
INSTANTIATE_TEST_SUITE_P(Sizes, ScreenGrabberOpaque,
                         testing::Values(GrabSize{"Tiny", 3, 2, 3}, GrabSize{"Padded", 37, 11, 40},
                                         GrabSize{"FullHd", 1920, 1080, 1920}, GrabSize{"Uhd", 3840, 2160, 3840},
                                         GrabSize{"OddLarge", 2999, 1001, 3001}),
                         [](const testing::TestParamInfo<GrabSize> &info) { return std::string(info.param.name); });

TEST(ScreenGrabberOpaqueInBackground, ThePassKeepsThePictureAliveUntilItEnds) {
    std::atomic<int> released{0};
    auto grab = std::make_unique<FakeGrab>(3840, 2160, 3840, &released);
    QFuture<void> pass = makeGrabOpaqueInBackground(grab->image);
    grab->image = QImage(); // the caller lets go at once
    pass.waitForFinished();
    EXPECT_EQ(grab->memory.front() >> 24, 0xffu);
    EXPECT_EQ(grab->memory.back() >> 24, 0xffu);
    // And then let go: a grab held for ever would keep its shared memory in use, and
    // every later capture would need new memory.
    EXPECT_TRUE(QTest::qWaitFor([&] { return released.load() == 1; }, 5000));
}

TEST(ScreenGrabberOpaqueInBackground, AnEmptyPictureIsLeftAlone) {
    makeGrabOpaque(QImage());
    makeGrabOpaqueInBackground(QImage()).waitForFinished();
    QImage small(4, 4, QImage::Format_Grayscale8);
    small.fill(7);
    makeGrabOpaque(small);
    EXPECT_EQ(small.pixelColor(3, 3).red(), 7);
}

} // namespace
