#pragma once
#include <QString>

#include <cstdint>
#include <functional>

namespace qn {

// A recording is written as fragmented QuickTime, a header and then one fragment
// (moof + mdat) per second or less, so that the file is a playable movie up to its
// last complete fragment whatever ends the process. These helpers read such a file
// back and turn it into the ordinary movie (moov before mdat) users get.

struct FragmentScan {
    bool header = false;        // ftyp and moov are there
    int fragments = 0;          // complete fragments after the header
    int64_t playableLength = 0; // bytes up to the end of the last complete atom that counts
};
// Walks the top-level atoms of an open file; a fragment cut short counts for nothing.
FragmentScan scanFragments(int fd);

// What the free space check needs: the reserve to keep and who says how much is free.
struct RoomRule {
    int64_t reserveBytes = 0;
    std::function<int64_t(const QString &folder)> freeSpace; // empty: statvfs
};
int64_t freeBytesIn(const QString &folder, const RoomRule &rule);

struct FinishedMovie {
    QString path;                // where the movie is now; empty when nothing was kept
    bool playable = false;       // a movie is at path
    bool keptFragmented = false; // it is the recording as written, not turned
    QString error;               // why it is not the ordinary movie, or why nothing is left
};

// Turns the recording at `recordingPath` (open as `fd`, held by the caller's lock,
// playable up to `length` bytes) into the ordinary movie by stream copy, under
// `wantedPath` or the next free name after it ("name 2.mov"...), and removes the
// recording. Without room for the copy, or when the copy fails, the recording itself
// is moved to that name: still a movie, only fragmented.
FinishedMovie finishFragmented(int fd, const QString &recordingPath, int64_t length, const QString &wantedPath,
                               const RoomRule &room);

// Names that belong together: "X.mov" is recorded as "X.recording.mov", turned in
// ".X.mov.part" beside it (the name the safe writer gives the movie's copy first).
QString recordingPathFor(const QString &finalPath);
QString finalPathFor(const QString &recordingPath);
QString partPathFor(const QString &moviePath);
// "X.mov", "X 2.mov", "X 3.mov"...: the n-th name to try for a movie.
QString numberedPath(const QString &wanted, int n);

} // namespace qn
