#include "recording/VoiceIndicator.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

using namespace qn;

TEST(VoiceIndicatorTest, ColoursByStateAndMicrophone) {
    using S = RecorderState;
    struct Case {
        S state;
        bool on;
        const char *fill;
        double fillAlpha;
        const char *tick;
        double tickAlpha;
    };
    const Case cases[] = {
        {S::Paused, true, "#616161", 1, "#616161", 1},      {S::Paused, false, "#616161", 0.2, "#616161", 0.2},
        {S::Idle, true, "#609aac", 1, "#609aac", 1},        {S::Idle, false, "#616161", 1, "#616161", 0.2},
        {S::Recording, true, "#1e2d0b", 1, "#1e2d0b", 1},   {S::Recording, false, "#1e2d0b", 0.2, "#1e2d0b", 0.2},
    };
    for (const Case &c : cases) {
        const auto colors = VoiceIndicator::colors(c.state, c.on);
        EXPECT_EQ(colors.fill.name(), QLatin1String(c.fill));
        EXPECT_NEAR(colors.fill.alphaF(), c.fillAlpha, 0.01);
        EXPECT_EQ(colors.tick.name(), QLatin1String(c.tick));
        EXPECT_NEAR(colors.tick.alphaF(), c.tickAlpha, 0.01);
    }
}

TEST(VoiceIndicatorTest, FillWidths) {
    const std::pair<float, double> cases[] = {
        {0.f, 0},   {1.f, 67},  {0.5f, 33.5}, {0.25f, 16.75},
        // Readings outside the level table never reach past the track.
        {-0.5f, 0}, {3.f, 67},  {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 0},
    };
    for (const auto &[level, width] : cases)
        EXPECT_DOUBLE_EQ(VoiceIndicator::fillWidth(level), width) << level;
    EXPECT_NEAR(VoiceIndicator::kWidth, 161.3, 1e-9);
}

TEST(VoiceIndicatorTest, FillsGrowOutwardsFromTheTick) {
    QImage image(170, 10, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        VoiceIndicator::paint(p, QPointF(0, 0), 0.5f, RecorderState::Recording, true, Qt::black);
    }
    const QRgb fill = QColor("#1E2D0B").rgb();
    const QRgb track = QColor(204, 204, 204).rgb();
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 && std::abs(qBlue(a) - qBlue(b)) < 8;
    };
    // Tick at 10 + 67 + 3 = 80; each fill reaches 33.5 from it.
    EXPECT_TRUE(near(image.pixel(60, 1), fill));
    EXPECT_TRUE(near(image.pixel(20, 1), track));
    EXPECT_TRUE(near(image.pixel(100, 1), fill));
    EXPECT_TRUE(near(image.pixel(140, 1), track));
    EXPECT_TRUE(near(image.pixel(80, 5), fill));
    EXPECT_TRUE(near(image.pixel(60, 5), QColor(Qt::white).rgb()));
}
