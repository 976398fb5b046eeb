#include "recording/MicLevelTable.h"
#include "recording/StreamSettings.h"
#include "recording/VideoRecordingError.h"

#include <gtest/gtest.h>

using namespace qn;

struct SizeCase {
    const char *name;
    int scale;
    QRectF crop;
    QSize stream;
    QSize writer;
    QSize encoder;
};

TEST(StreamSettings, SizesOfStreamWriterAndEncoder) {
    const SizeCase cases[] = {
        {"fractions", 2, QRectF(0, 0, 1200.7, 800.2), {2400, 1600}, {2401, 1600}, {2400, 1600}},
        {"over the limit", 2, QRectF(0, 0, 2560, 1440), {5120, 2880}, {4096, 2304}, {4096, 2304}},
        {"wide", 2, QRectF(0, 0, 3000, 500), {6000, 1000}, {4096, 682}, {4096, 682}},
        {"standard screen", 1, QRectF(10, 20, 1920, 1080), {1920, 1080}, {1920, 1080}, {1920, 1080}},
        {"odd", 1, QRectF(0, 0, 301, 201), {301, 201}, {301, 201}, {300, 200}},
        {"tall", 1, QRectF(0, 0, 500, 4608), {500, 4608}, {250, 2304}, {250, 2304}},
    };
    for (const SizeCase &c : cases) {
        SCOPED_TRACE(c.name);
        const StreamConfiguration stream = streamConfiguration(c.scale, c.crop);
        EXPECT_EQ(QSize(stream.width, stream.height), c.stream);
        EXPECT_EQ(stream.sourceRect, c.crop);
        EXPECT_EQ(stream.maxFramesPerSecond, 30);
        EXPECT_EQ(stream.queueDepth, 6);
        const VideoOutputSettings writer = videoOutputSettings(c.scale, c.crop);
        EXPECT_EQ(QSize(writer.width, writer.height), c.writer);
        EXPECT_EQ(writer.encoderSize(), c.encoder);
    }
}

TEST(StreamSettings, AnUnreadableModeCountsAsScaleOne) {
    EXPECT_EQ(backingScale(0, 0), 1);
    EXPECT_EQ(backingScale(-1, 1440), 1);
    EXPECT_EQ(backingScale(2880, 1440), 2);
    EXPECT_EQ(backingScale(2000, 1440), 1);
    EXPECT_EQ(backingScale(nullptr), 1);
}

TEST(MicLevelTable, SampleRowsAndLookups) {
    const std::pair<int, float> rows[] = {{0, 1.0f},       {1, 0.98850f},   {20, 0.79348f},
                                          {40, 0.62951f},  {100, 0.31358f}, {120, 0.24815f},
                                          {200, 0.09411f}, {240, 0.05395f}, {299, 0.0f}};
    for (auto [index, value] : rows)
        EXPECT_NEAR(MicLevelTable::entry(index), value, 2e-5) << index;

    const std::pair<float, float> lookups[] = {{-70.0f, 0.0f},
                                               {-0.5f, 1.0f},
                                               {0.0f, 1.0f},
                                               {3.0f, 1.0f},
                                               {-30.7f, MicLevelTable::entry(120)},
                                               {-59.9f, MicLevelTable::entry(236)},
                                               {-60.0f, MicLevelTable::entry(240)},
                                               {-60.01f, 0.0f}};
    for (auto [power, value] : lookups)
        EXPECT_FLOAT_EQ(MicLevelTable::level(power), value) << power;
}

TEST(MicLevelTable, PowerOfSamples) {
    const short silence[4] = {0, 0, 0, 0};
    EXPECT_LE(averagePowerLevel(silence, 4), -100.0f);
    const short full[4] = {32767, -32768, 32767, -32768};
    EXPECT_NEAR(averagePowerLevel(full, 4), 0.0f, 0.01f);
    const short half[2] = {16384, -16384};
    EXPECT_NEAR(averagePowerLevel(half, 2), -6.02f, 0.01f);
    EXPECT_LE(averagePowerLevel(nullptr, 0), -100.0f);
}

TEST(VideoRecordingError, TextsInTheirOrder) {
    const std::pair<VideoRecordingError, const char *> cases[] = {
        {VideoRecordingError::noVideoDevice, "No video device."},
        {VideoRecordingError::noAudioDevice, "No audio device."},
        {VideoRecordingError::noScreen, "Can't find screen."},
        {VideoRecordingError::cantCreateDevice, "Can't create device for streaming."},
        {VideoRecordingError::canCreateAVOutputAssistant, "Can't create AVOutputSettingsAssistant."},
        {VideoRecordingError::noVideoSettings, "No video settings."},
        {VideoRecordingError::cantCreateAVAssetWriter, "Can't create AVAssetWriter."},
        {VideoRecordingError::cantStartAVAssetWriter, "Can't start AVAssetWriter."},
    };
    int order = 0;
    for (auto [error, text] : cases) {
        EXPECT_EQ(int(error), order++);
        EXPECT_EQ(videoRecordingErrorMessage(error), QString::fromUtf8(text));
    }
    EXPECT_NE(VideoRecordingError::noVideoDevice, VideoRecordingError::noAudioDevice);
}
