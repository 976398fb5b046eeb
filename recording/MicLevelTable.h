#pragma once
#include <array>

namespace qn {

// Maps a microphone level in decibels to a meter value from 0 to 1 through a
// 300-entry table with a floor of -60 dB; the square root spreads the quiet end.
class MicLevelTable {
public:
    static constexpr int kEntries = 300;
    static constexpr float kMinDecibels = -60.0f;
    static constexpr float kScaleFactor = (kEntries - 1) / kMinDecibels;

    static float level(float power);
    static float entry(int index);

private:
    static const std::array<float, kEntries> &table();
};

// The level in decibels (full scale) of 16-bit samples, -160 for silence.
float averagePowerLevel(const short *samples, int count);

} // namespace qn
