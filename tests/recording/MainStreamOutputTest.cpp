#include "recording/MainStreamOutput.h"

#include <gtest/gtest.h>
#include <vector>

using namespace qn;
using Kind = MainStreamOutput::Decision::Kind;
using Status = MainStreamOutput::Status;

namespace {
constexpr int64_t ms(double v) { return int64_t(v * 1000); } // ms → µs
constexpr int64_t sec(double v) { return int64_t(v * 1'000'000 + (v >= 0 ? 0.5 : -0.5)); }

// Feeds samples like the recorder does: what the output allows is written.
struct Feeder {
    MainStreamOutput out;
    bool paused = false;
    bool writing = true;
    MainStreamOutput::Decision feed(int64_t t, Status status = Status::Complete) {
        auto decision = out.handle(t, status, true, paused, writing);
        if (decision.kind != Kind::Drop)
            out.frameWritten(decision.pts, t);
        return decision;
    }
};
} // namespace

// Three frames, a pause from 100.100 to 105.000, then the frame at 105.033 lands
// one interval after the last frame before the pause.
TEST(MainStreamOutput, PauseIsCutOutOfTheTimeLine) {
    Feeder f;
    auto first = f.feed(sec(100.000));
    EXPECT_TRUE(first.startsSession);
    f.feed(sec(100.033));
    f.feed(sec(100.067));
    EXPECT_EQ(f.out.recordTime(), sec(0.067));

    f.out.setNeedOffset(true);
    f.paused = true;
    for (int64_t t = sec(100.100); t <= sec(105.000); t += ms(33))
        EXPECT_EQ(f.feed(t).kind, Kind::Drop);
    f.feed(sec(105.000));
    EXPECT_EQ(f.out.cacheOffset(), sec(105.000) - sec(100.067));

    f.paused = false;
    auto resumed = f.feed(sec(105.033));
    EXPECT_EQ(resumed.kind, Kind::Write);
    EXPECT_FALSE(resumed.startsSession);
    EXPECT_EQ(resumed.pts, sec(100.100));
    EXPECT_EQ(f.out.offset(), sec(4.933));
    EXPECT_EQ(f.out.recordTime(), sec(0.100));
}

struct EdgeCase {
    const char *name;
    std::vector<std::pair<double, Status>> samples; // seconds
    std::vector<Kind> kinds;
    int64_t lastPts; // µs, re-timed, of the last written frame
};

TEST(MainStreamOutput, DropsRepeatsAndLateSamples) {
    const EdgeCase cases[] = {
        {"idle before any frame is ignored",
         {{1.0, Status::Idle}, {1.033, Status::Complete}, {1.067, Status::Idle}},
         {Kind::Drop, Kind::Write, Kind::Repeat},
         sec(1.067)},
        {"a repeated time is dropped and shifts by zero",
         {{1.0, Status::Complete}, {1.033, Status::Complete}, {1.033, Status::Complete}, {1.067, Status::Complete}},
         {Kind::Write, Kind::Write, Kind::Drop, Kind::Write},
         sec(1.067)},
        {"a late sample moves the rest later",
         {{2.0, Status::Complete}, {1.5, Status::Complete}, {2.033, Status::Complete}},
         {Kind::Write, Kind::Drop, Kind::Write},
         sec(2.533)},
    };
    for (const EdgeCase &c : cases) {
        SCOPED_TRACE(c.name);
        Feeder f;
        std::vector<Kind> kinds;
        for (auto [t, status] : c.samples)
            kinds.push_back(f.feed(sec(t), status).kind);
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(f.out.lastWrittenPts(), c.lastPts);
    }
}

TEST(MainStreamOutput, SessionStartsOnceAndOnlyWhileWriting) {
    Feeder f;
    f.writing = false;
    EXPECT_EQ(f.feed(sec(1.0)).kind, Kind::Drop);
    EXPECT_EQ(f.out.firstSampleTime(), 0);
    f.writing = true;
    EXPECT_TRUE(f.feed(sec(1.033)).startsSession);
    EXPECT_FALSE(f.feed(sec(1.067)).startsSession);
    EXPECT_EQ(f.out.firstSampleTime(), sec(1.033));
    // Not recording: nothing at all, not even the duplicate window.
    const size_t window = f.out.recentTimesCount();
    EXPECT_EQ(f.out.handle(sec(1.1), Status::Complete, false, false, true).kind, Kind::Drop);
    EXPECT_EQ(f.out.recentTimesCount(), window);
}

TEST(MainStreamOutput, APauseWithoutSamplesStaysAsAHeldFrame) {
    Feeder f;
    f.feed(sec(1.0));
    f.out.setNeedOffset(true);
    auto next = f.feed(sec(3.0));
    EXPECT_EQ(next.pts, sec(3.0));
}

// Steady recording keeps 60 recent times; dropped samples add to the window.
TEST(MainStreamOutput, DuplicateWindowSize) {
    Feeder f;
    for (int i = 0; i < 100; ++i)
        f.feed(1'000'000 + i * ms(33));
    EXPECT_EQ(f.out.recentTimesCount(), 60u);
    f.paused = true;
    for (int i = 100; i < 105; ++i)
        f.feed(1'000'000 + i * ms(33));
    f.paused = false;
    f.feed(1'000'000 + 105 * ms(33));
    EXPECT_EQ(f.out.recentTimesCount(), 65u);
}

TEST(MainStreamOutput, PresentationTimesOnlyIncreaseInSteadyUse) {
    Feeder f;
    int64_t last = -1;
    int64_t t = sec(10);
    for (int i = 0; i < 300; ++i) {
        f.paused = (i / 40) % 2 == 1;
        if (i % 40 == 0 && f.paused)
            f.out.setNeedOffset(true);
        t += ms(33) + (i % 7 == 0 ? ms(5) : 0);
        auto d = f.feed(t, i % 3 == 0 ? Status::Idle : Status::Complete);
        if (d.kind != Kind::Drop) {
            EXPECT_GT(d.pts, last);
            last = d.pts;
        }
    }
}
