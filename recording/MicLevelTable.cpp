#include "recording/MicLevelTable.h"

#include <cmath>

namespace qn {

const std::array<float, MicLevelTable::kEntries> &MicLevelTable::table() {
    static const std::array<float, kEntries> entries = [] {
        std::array<float, kEntries> t{};
        const float minAmp = std::pow(10.0f, 0.05f * kMinDecibels);
        const float inverseAmpRange = 1.0f / (1.0f - minAmp);
        const float step = kMinDecibels / float(kEntries - 1);
        for (int i = 0; i < kEntries; ++i) {
            const float decibels = float(i) * step;
            const float amp = std::pow(10.0f, 0.05f * decibels);
            const float adjusted = (amp - minAmp) * inverseAmpRange;
            t[size_t(i)] = std::sqrt(std::max(0.0f, adjusted));
        }
        return t;
    }();
    return entries;
}

float MicLevelTable::entry(int index) { return table()[size_t(index)]; }

// Whole decibels times the whole scale factor (-4): only every fourth entry up to
// 240 is reached, which keeps the meter's steps as users know them.
float MicLevelTable::level(float power) {
    if (!(power >= kMinDecibels))
        return 0.0f;
    if (power >= 0.0f)
        return 1.0f;
    const int index = int(power) * int(kScaleFactor);
    return table()[size_t(index)];
}

float averagePowerLevel(const short *samples, int count) {
    if (count <= 0)
        return -160.0f;
    double sum = 0;
    for (int i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    const double rms = std::sqrt(sum / count) / 32768.0;
    if (rms <= 1e-8)
        return -160.0f;
    return float(20.0 * std::log10(rms));
}

} // namespace qn
