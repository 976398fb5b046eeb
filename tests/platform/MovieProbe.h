#pragma once
#include <QString>
#include <vector>

// What a movie file holds, read back with FFmpeg's own demuxer and decoders.
struct MovieProbe {
    bool opened = false;
    QString format;
    int audioIndex = -1, videoIndex = -1;
    QString videoCodec, audioCodec;
    int width = 0, height = 0;
    int colorPrimaries = 0, colorTrc = 0, colorSpace = 0;
    int sampleRate = 0, channels = 0;
    double videoDuration = 0, audioDuration = 0; // seconds, from the packets
    double formatDuration = 0;                   // seconds, as ffprobe tells it
    std::vector<double> videoPts;                // seconds, in file order
    std::vector<float> audio;                    // decoded mono samples, from time 0
    std::vector<double> lumaMeans;               // mean Y of each decoded picture
    static MovieProbe read(const QString &path, bool decode = true);
    // The four-letter types of the file's top-level atoms, in file order.
    static std::vector<QString> topLevelAtoms(const QString &path);
    // An ordinary movie: its index (moov) before its media (mdat), no fragments.
    static bool indexFirst(const QString &path);
    // What `ffmpeg -v error` says while decoding the whole movie: empty when it
    // decodes to its end.
    static QString decodeErrors(const QString &path);
    // Root mean square of the sound between two times (seconds).
    double rms(double from, double to) const;
};
