#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn::safeFile {

namespace {

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Where the bytes finally land: a user's link is followed to the file it names, so
// that saving "over" a link updates what the link points at.
QByteArray destination(const QString &path, Mode mode) {
    if (mode == Mode::UserFile) {
        const QFileInfo info(path);
        if (info.isSymLink()) {
            const QString target = info.symLinkTarget();
            if (!target.isEmpty())
                return QFile::encodeName(target);
        }
    }
    return QFile::encodeName(path);
}

mode_t modeFor(const QByteArray &path, Mode mode) {
    if (mode == Mode::PrivateFile)
        return 0600;
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, const QByteArray &bytes, int &error) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

QString write(const QString &path, const QByteArray &bytes, Mode mode) {
    const QByteArray target = destination(path, mode);
    const int slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(slash == 0 ? 1 : slash);
    QByteArray temporary = folder + "/.quillnest-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return reason(errno);
    int error = 0;
    bool ok = ::fchmod(fd, modeFor(target, mode)) == 0 || (error = errno, false);
    ok = ok && writeAll(fd, bytes, error);
    // The data must be on disk before the rename makes it the file: a full disk or a
    // failing device shows up here, not after the old file is gone.
    ok = ok && (::fsync(fd) == 0 || (error = errno, false));
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    // rename() replaces a link at the path by the new file; it never writes through it.
    ok = ok && (::rename(temporary.constData(), target.constData()) == 0 || (error = errno, false));
    if (!ok) {
        ::unlink(temporary.constData());
        return reason(error);
    }
    return {};
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
