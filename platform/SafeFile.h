#pragma once
#include <QByteArray>
#include <QString>

namespace qn {

// Whole-file writes that never leave a half-written file behind: the bytes go to a
// new temporary file beside the destination, which is then renamed over it. The old
// file stays intact whenever the write fails.
namespace safeFile {

enum class Mode {
    // A file the user picked: a link at the path is written through (its target is
    // replaced), and a replaced file keeps its permissions.
    UserFile,
    // A file of our own (caches): readable by the owner only; a link planted at the
    // path is replaced by the file itself, never written through.
    PrivateFile,
};

// Empty on success, otherwise the system's reason ("No space left on device").
QString write(const QString &path, const QByteArray &bytes, Mode mode);

// Creates `folder` (and its parents) and closes it to the owner, but only when it is
// a real folder of ours: a link or someone else's folder is left as it is. False when
// the folder cannot be had.
bool ensurePrivateFolder(const QString &folder);

} // namespace safeFile
} // namespace qn
