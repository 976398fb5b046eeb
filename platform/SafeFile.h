#pragma once
#include <QByteArray>
#include <QString>

namespace qn {

// Every file the program writes whole (pictures, movies, the kept capture) is made
// here, and by one rule:
//
// - The bytes go to a new temporary file beside the destination, made exclusively
//   (O_CREAT | O_EXCL | O_NOFOLLOW): a link or file someone planted at that name is
//   never opened, and another name is taken instead. The data is fsync-ed, then the
//   file is renamed into place, then the folder is fsync-ed, so that after a crash
//   the path holds either the old file or the whole new one.
// - On every failure (full disk, read-only folder, a name that cannot be had) the
//   temporary file is removed and the old file is left as it was; the system's
//   reason is returned ("No space left on device").
// - A file the user chose (Mode::UserFile): a link at the path is followed, through
//   every link of a chain, and the file it names is replaced; the link stays. Saving
//   "over" a link the user made updates what it points at, and loses neither.
//   A replaced file keeps its permission bits (not set-user/group-ID, which a write
//   in place would have cleared too); a new file gets what the umask gives
//   (0666 & ~umask).
// - A file of our own (Mode::PrivateFile, caches in our folders): a link at the path
//   is never followed; the new file replaces the link itself. The file is readable
//   by the owner only (0600), also while it is being written.
// - Placement::KeepExisting never replaces anything at the path (renameat2 with
//   RENAME_NOREPLACE, else a hard link, which cannot replace either): the name is
//   reported taken and the caller picks another. Meant for files of ours, whose
//   temporary file is always beside the path itself.
//
// QSaveFile is not the base: it writes through a link at the path, which a file of
// our own must never do, and it cannot place a file without replacing one.
namespace safeFile {

enum class Mode {
    UserFile,
    PrivateFile,
};

enum class Placement {
    Replace,
    KeepExisting,
};

enum class Outcome { Done, NameTaken, Failed };

// A file being written: made at construction, removed again when it is destroyed
// without a successful commit(). Not copyable; one thread at a time.
class Writer {
public:
    // Makes the temporary file for `path` (see the rule above); ok() tells whether
    // that worked.
    Writer(const QString &path, Mode mode);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    bool ok() const { return m_error.isEmpty(); }
    // The system's reason for the first failure; empty while all is well.
    QString error() const { return m_error; }
    // The file the bytes are going to, for a writer (FFmpeg's) that needs a name.
    QString temporaryPath() const;
    // Where a commit puts the file: the path given, or for a user's link the file
    // the link names.
    QString destination() const;

    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }

    // Puts the file at destination(); with KeepExisting at `elsewhere` when given
    // (the next name to try). NameTaken leaves the temporary file for another
    // try; Failed removes it.
    Outcome commit(Placement placement = Placement::Replace, const QString &elsewhere = QString());
    // Removes what was written, now rather than at destruction; a commit after it
    // fails.
    void abandon();

private:
    bool fail(int error);

    QByteArray m_path;
    QByteArray m_destination;
    QByteArray m_temporary;
    int m_fd = -1;
    bool m_committed = false;
    QString m_error;
};

// Empty on success, otherwise the system's reason ("No space left on device").
QString write(const QString &path, const QByteArray &bytes, Mode mode);

// Copies `source` to `destination` by the same rule; the source is never touched.
// Empty on success, otherwise the reason, which names the source when it was the
// source that could not be read.
QString copy(const QString &source, const QString &destination, Mode mode);

// Moves an existing file of ours to `to` without ever replacing what is there
// (a file, a link, a folder). NameTaken when there is something; Failed with
// `error` set when the move cannot be made.
Outcome placeWithoutReplacing(const QString &from, const QString &to, QString *error);

// Creates `folder` (and its parents) and closes it to the owner, but only when it is
// a real folder of ours: a link or someone else's folder is left as it is. False when
// the folder cannot be had.
bool ensurePrivateFolder(const QString &folder);

} // namespace safeFile
} // namespace qn
