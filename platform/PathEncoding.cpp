#include "platform/PathEncoding.h"

#include "platform/Diagnostics.h"

#include <QCryptographicHash>
#include <QString>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

const char *const kVariables[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                  "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};

// Our own folder for the links: a real directory (not a link), owned by us, closed to
// everyone else, so that no one can swap a link for one of their own.
bool privateFolder(const QByteArray &path) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}

// A link at `link` to `target`, made anew beside it and renamed into place, so that
// it is never left half-made or pointing at an old folder.
bool placeLink(const QByteArray &link, const QByteArray &target) {
    char existing[4096];
    const ssize_t n = ::readlink(link.constData(), existing, sizeof existing);
    if (n >= 0 && QByteArray(existing, n) == target)
        return true;
    const QByteArray fresh = link + ".new-" + QByteArray::number(::getpid());
    ::unlink(fresh.constData());
    if (::symlink(target.constData(), fresh.constData()) != 0)
        return false;
    if (::rename(fresh.constData(), link.constData()) != 0) {
        ::unlink(fresh.constData());
        return false;
    }
    return true;
}

// The folder a variable names may not exist yet (a fresh ~/.cache): made here, as a
// link to a missing folder could not be made into one through the link.
void makeFolders(const QByteArray &path) {
    for (qsizetype slash = path.indexOf('/', 1); slash != -1; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    ::mkdir(path.constData(), 0700);
}

// Links of earlier runs whose folders are gone.
void removeDanglingLinks(const QByteArray &folder) {
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) != 0)
            ::unlink(path.constData());
    }
    ::closedir(dir);
}

} // namespace

bool PathEncoding::isUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(decoder(bytes));
    return !decoder.hasError();
}

int PathEncoding::redirectUnreadableFolders() {
    QByteArray tmp = qgetenv("TMPDIR");
    if (tmp.isEmpty() || !isUtf8(tmp) || tmp.front() != '/')
        tmp = "/tmp";
    return redirectUnreadableFolders(tmp + "/quillnest-" + QByteArray::number(::geteuid()) + "-paths");
}

int PathEncoding::redirectUnreadableFolders(const QByteArray &linkFolder) {
    int redirected = 0;
    bool folderReady = false;
    for (const char *name : kVariables) {
        QByteArray value = qgetenv(name);
        if (value.isEmpty() || isUtf8(value))
            continue;
        if (value.front() != '/') {
            char cwd[4096];
            if (!::getcwd(cwd, sizeof cwd))
                continue;
            value = QByteArray(cwd) + '/' + value;
        }
        if (!folderReady && !(folderReady = privateFolder(linkFolder))) {
            diagnostics::report(diagnostics::pathNotUtf8NoFolder(QLatin1String(name)));
            return redirected;
        }
        if (redirected == 0)
            removeDanglingLinks(linkFolder);
        // Named by the folder it leads to, so programs started with other folders
        // never take each other's link.
        const QByteArray hash = QCryptographicHash::hash(value, QCryptographicHash::Sha1).toHex().left(16);
        const QByteArray link = linkFolder + '/' + name + '-' + hash;
        // The runtime folder must be a real folder (Qt refuses a link), and it holds
        // only what lives as long as the session: a private folder of its own will do.
        if (qstrcmp(name, "XDG_RUNTIME_DIR") == 0) {
            if (!privateFolder(link))
                continue;
            ::setenv(name, link.constData(), 1);
            ++redirected;
            continue;
        }
        makeFolders(value);
        if (!placeLink(link, value)) {
            diagnostics::report(diagnostics::pathNotUtf8NoStandIn(QLatin1String(name)));
            continue;
        }
        ::setenv(name, link.constData(), 1);
        ++redirected;
    }
    return redirected;
}

} // namespace qn
