#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn::safeFile {

namespace {

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray folderOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path) { return path.mid(path.lastIndexOf('/') + 1); }

// The file a chain of links ends at, or the path itself when it is no link. A link
// that names nothing yet still leads there: the new file is made where it points,
// as a write through the link would have made it.
QByteArray followLinks(QByteArray path, int *error) {
    // The kernel's own limit for a chain, so that we give up where open() would.
    constexpr int kMaxHops = 40;
    for (int hop = 0; hop < kMaxHops; ++hop) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size()) {
            *error = n < 0 ? errno : ENAMETOOLONG;
            return {};
        }
        target.truncate(n);
        path = target.startsWith('/') ? target : folderOf(path) + '/' + target;
    }
    *error = ELOOP;
    return {};
}

int openNew(const QByteArray &name, mode_t mode) {
    return ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

// ".<name>.part" beside the destination, or that with a random tail when the name
// is taken: whatever is there (a stale part, a planted link) is never opened nor
// removed. A name too long for the extra letters falls back to one of ours.
int makeTemporary(const QByteArray &folder, const QByteArray &name, mode_t mode, QByteArray *made, int *error) {
    QByteArray base = folder + "/." + name + ".part";
    bool shortened = false;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QByteArray candidate =
            attempt == 0 ? base : base + '-' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = openNew(candidate, mode);
        if (fd >= 0) {
            *made = candidate;
            return fd;
        }
        if (errno == ENAMETOOLONG && !shortened) {
            base = folder + "/.quillnest.part";
            shortened = true;
            attempt = -1;
            continue;
        }
        if (errno != EEXIST) {
            *error = errno;
            return -1;
        }
    }
    *error = EEXIST;
    return -1;
}

// The rename is in the folder's entries: without this, a crash soon after can bring
// back the old file (or none) even though the new one's data is on disk. A failure
// here is not reported: the file is already in place, and "not saved" would be untrue.
void syncFolder(const QByteArray &folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

Writer::Writer(const QString &path, Mode mode) : m_path(QFile::encodeName(path)) {
    if (m_path.isEmpty()) {
        fail(ENOENT);
        return;
    }
    m_destination = m_path;
    int error = 0;
    if (mode == Mode::UserFile) {
        m_destination = followLinks(m_path, &error);
        if (error != 0) {
            fail(error);
            return;
        }
    }
    // Private files are closed to others from their first byte. A user's new file is
    // made with 0666 so that the umask (and a folder's default ACL) decide, exactly as
    // for any other new file; a replaced one is opened closed and given its old mode.
    mode_t created = 0600;
    int kept = -1;
    if (mode == Mode::UserFile) {
        struct stat st {};
        if (::stat(m_destination.constData(), &st) == 0 && S_ISREG(st.st_mode))
            kept = int(st.st_mode & 0777);
        else
            created = 0666;
    }
    m_fd = makeTemporary(folderOf(m_destination), nameOf(m_destination), created, &m_temporary, &error);
    if (m_fd < 0) {
        fail(error);
        return;
    }
    if (kept >= 0 && ::fchmod(m_fd, mode_t(kept)) != 0) {
        fail(errno);
        abandon();
    }
}

Writer::~Writer() {
    if (!m_committed)
        abandon();
}

QString Writer::temporaryPath() const { return QFile::decodeName(m_temporary); }

QString Writer::destination() const { return QFile::decodeName(m_destination); }

bool Writer::fail(int error) {
    if (m_error.isEmpty())
        m_error = reason(error);
    return false;
}

void Writer::abandon() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}

bool Writer::write(const char *data, qsizetype size) {
    if (!ok() || m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += n;
        size -= n;
    }
    return true;
}

Outcome Writer::commit(Placement placement, const QString &elsewhere) {
    if (m_committed)
        return Outcome::Done;
    if (!ok() || m_temporary.isEmpty()) {
        if (m_error.isEmpty())
            fail(ENOENT);
        abandon();
        return Outcome::Failed;
    }
    if (m_fd >= 0) {
        // The data must be on disk before the rename makes it the file: a full disk
        // or a failing device shows up here, not after the old file is gone. close()
        // is checked too, as network file systems report late write errors there.
        const bool synced = ::fsync(m_fd) == 0 || fail(errno);
        const bool closed = ::close(m_fd) == 0 || fail(errno);
        m_fd = -1;
        if (!synced || !closed) {
            abandon();
            return Outcome::Failed;
        }
    }
    QByteArray target = elsewhere.isEmpty() ? m_destination : QFile::encodeName(elsewhere);
    if (placement == Placement::KeepExisting) {
        // Nothing at the name is replaced, a link included: it is not followed.
        if (elsewhere.isEmpty())
            target = m_path;
        QString why;
        const Outcome placed = placeWithoutReplacing(QFile::decodeName(m_temporary), QFile::decodeName(target), &why);
        if (placed == Outcome::NameTaken)
            return placed;
        if (placed == Outcome::Failed) {
            m_error = why;
            abandon();
            return placed;
        }
    } else if (::rename(m_temporary.constData(), target.constData()) != 0) {
        // rename() replaces a link at the target by the file; it never writes through.
        fail(errno);
        abandon();
        return Outcome::Failed;
    }
    m_committed = true;
    m_destination = target;
    m_temporary.clear();
    syncFolder(folderOf(target));
    return Outcome::Done;
}

QString write(const QString &path, const QByteArray &bytes, Mode mode) {
    Writer writer(path, mode);
    writer.write(bytes);
    return writer.commit() == Outcome::Done ? QString() : writer.error();
}

QString copy(const QString &source, const QString &destination, Mode mode) {
    const auto unreadable = [&](int error) {
        return QStringLiteral("%1 could not be read: %2").arg(QFileInfo(source).fileName(), reason(error));
    };
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return unreadable(errno);
    Writer writer(destination, mode);
    // Movies are big: they go across in pieces, never whole through memory.
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (writer.ok()) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(in);
            return unreadable(error);
        }
        if (n == 0)
            break;
        writer.write(buffer.constData(), n);
    }
    ::close(in);
    return writer.commit() == Outcome::Done ? QString() : writer.error();
}

Outcome placeWithoutReplacing(const QString &from, const QString &to, QString *error) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Outcome::Done;
    if (errno == EEXIST)
        return Outcome::NameTaken;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = reason(errno);
        return Outcome::Failed;
    }
    // A file system without the no-replace flag: a second name for the file is made
    // only where nothing is, just as atomically, and then the first one goes.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return Outcome::Done;
    }
    if (errno == EEXIST)
        return Outcome::NameTaken;
    // Nor hard links (FAT): look, then move; the best such a file system allows.
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0)
        return Outcome::NameTaken;
    if (::rename(source.constData(), target.constData()) == 0)
        return Outcome::Done;
    *error = reason(errno);
    return Outcome::Failed;
}

bool ensurePrivateFolder(const QString &folder) {
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray path = QFile::encodeName(folder);
    // Opened without following a link, so the mode change hits this very folder: a
    // link is the user's own arrangement (or someone's trap), used as it is but never
    // chmod-ed through.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return (errno == ELOOP || errno == ENOTDIR) && QFileInfo(folder).isSymLink() && QFileInfo(folder).isDir();
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::fchmod(fd, 0700);
    ::close(fd);
    return true;
}

} // namespace qn::safeFile
