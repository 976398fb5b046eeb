#include "recording/AudioTimeline.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {
constexpr int64_t S = 1'000'000; // one second in µs
struct RunCase {
    const char *name;
    int64_t chunkStart;
    size_t count;
    std::vector<AudioTimeline::Run> runs;
    size_t holdFrom;
};
} // namespace

// A time line that starts at 10 s, is muted from 11 s to 12 s, pauses at 13 s,
// resumes at 15 s (its first picture then placed with an offset of 2 s) and
// pauses again at 20 s.
TEST(AudioTimeline, PlacesSamplesByTheTimeTheyWereTaken) {
    AudioTimeline t;
    t.start(10 * S, 0);
    t.setMuted(11 * S, true);
    t.setMuted(12 * S, false);
    t.pause(13 * S);
    t.resume(15 * S);
    t.resumeOffset(2 * S);
    t.pause(20 * S);
    const size_t second = 44100;
    const RunCase cases[] = {
        {"before the first picture", 8 * S, second, {}, second},
        {"straddling the start", int64_t(9.5 * S), second, {{second / 2, second / 2, 0, false}}, second},
        {"into the mute",
         int64_t(10.5 * S),
         second,
         {{0, second / 2, S / 2, false}, {second / 2, second / 2, S, true}},
         second},
        {"across pause and resume",
         int64_t(12.5 * S),
         3 * second,
         {{0, second / 2, int64_t(2.5 * S), false}, {5 * second / 2, second / 2, 3 * S, false}},
         3 * second},
        {"inside the second pause", 21 * S, second, {}, second},
    };
    for (const RunCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto placement = t.place(c.chunkStart, c.count);
        ASSERT_EQ(placement.runs.size(), c.runs.size());
        for (size_t i = 0; i < c.runs.size(); ++i) {
            EXPECT_EQ(placement.runs[i].from, c.runs[i].from) << i;
            EXPECT_EQ(placement.runs[i].count, c.runs[i].count) << i;
            EXPECT_NEAR(double(placement.runs[i].moviePosition), double(c.runs[i].moviePosition), 30) << i;
            EXPECT_EQ(placement.runs[i].muted, c.runs[i].muted) << i;
        }
        EXPECT_EQ(placement.holdFrom, c.holdFrom);
    }
}

// After a resume and before the next picture says where the time line goes on,
// the sound from the resume on waits.
TEST(AudioTimeline, SoundAfterAResumeWaitsForThePicture) {
    AudioTimeline t;
    t.start(10 * S, 0);
    t.pause(11 * S);
    t.resume(12 * S);
    auto waiting = t.place(int64_t(10.5 * S), 2 * 44100);
    ASSERT_EQ(waiting.runs.size(), 1u);
    EXPECT_EQ(waiting.runs[0].count, 44100u / 2);
    EXPECT_EQ(waiting.holdFrom, 3u * 44100 / 2);
    t.resumeOffset(1 * S);
    const auto placed = t.place(12 * S, 44100);
    ASSERT_EQ(placed.runs.size(), 1u);
    EXPECT_EQ(placed.runs[0].moviePosition, 1 * S);
    EXPECT_EQ(placed.holdFrom, 44100u);
}

TEST(AudioTimeline, NothingBeforeTheStart) {
    AudioTimeline t;
    EXPECT_FALSE(t.started());
    EXPECT_TRUE(t.place(S, 100).runs.empty());
    t.resume(S); // a resume without a pause changes nothing
    t.start(2 * S, 0);
    t.resume(3 * S);
    EXPECT_EQ(t.place(3 * S, 100).holdFrom, 100u);
}
