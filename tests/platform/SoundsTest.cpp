#include "platform/Sounds.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(Sounds, MissingSoundIsNoneAndAPresentOneNeverFails) {
    EXPECT_FALSE(Sounds::play(QStringLiteral(":/sounds/no-such-sound.wav")).has_value());
    // With or without an audio output: an answer, no crash, nothing thrown.
    const auto played = Sounds::play(QStringLiteral(":/sounds/Click_updated.wav"));
    ASSERT_TRUE(played.has_value());
    EXPECT_EQ(Sounds::play(QStringLiteral(":/sounds/Click_updated.wav")), played);
}
