#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qn;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

mode_t modeOf(const QString &path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

} // namespace

// A link planted where a private file goes is replaced, and what it pointed at is
// left alone; a link the user saves over is followed.
TEST(SafeFile, LinksAtThePath) {
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    put(victim, "precious");
    ::chmod(QFile::encodeName(victim).constData(), 0644);

    const QString cache = dir.filePath(QStringLiteral("last-screenshot.png"));
    ASSERT_TRUE(QFile::link(victim, cache));
    EXPECT_EQ(safeFile::write(cache, "png bytes", safeFile::Mode::PrivateFile), QString());
    EXPECT_EQ(readAll(victim), QByteArray("precious"));
    EXPECT_EQ(modeOf(victim) & 0777, 0644u);
    EXPECT_TRUE(S_ISREG(modeOf(cache)));
    EXPECT_EQ(modeOf(cache) & 0777, 0600u);
    EXPECT_EQ(readAll(cache), QByteArray("png bytes"));

    const QString shortcut = dir.filePath(QStringLiteral("shortcut.png"));
    ASSERT_TRUE(QFile::link(victim, shortcut));
    EXPECT_EQ(safeFile::write(shortcut, "saved", safeFile::Mode::UserFile), QString());
    EXPECT_TRUE(QFileInfo(shortcut).isSymLink());
    EXPECT_EQ(readAll(victim), QByteArray("saved"));
    // A replaced file keeps the permissions it had.
    EXPECT_EQ(modeOf(victim) & 0777, 0644u);
    // No temporary files are left beside them.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}

TEST(SafeFile, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.png"));
    put(path, "old");
    ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
    const QString error = safeFile::write(path, "new", safeFile::Mode::UserFile);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(error, QStringLiteral("Permission denied"));
    EXPECT_EQ(readAll(path), QByteArray("old"));
}

// A full disk: run in a mount namespace of its own with a tiny tmpfs, so that the
// write really meets ENOSPC (the outer test starts this one there).
TEST(SafeFile, AFullDiskNamesTheReasonAndKeepsTheOldFile) {
    const QByteArray folder = qgetenv("QN_FULL_DISK_DIR");
    if (folder.isEmpty()) {
        QTemporaryDir mount;
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        const QString script =
            QStringLiteral("mount -t tmpfs -o size=64k none \"$1\" && QN_FULL_DISK_DIR=\"$1\" "
                           "exec \"$2\" --gtest_filter=SafeFile.AFullDiskNamesTheReasonAndKeepsTheOldFile");
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
                     mount.path(), QCoreApplication::applicationFilePath()});
        if (!child.waitForStarted() || !child.waitForFinished(60000))
            GTEST_SKIP() << "no unshare here";
        const QByteArray out = child.readAll();
        if (child.exitCode() != 0 && !out.contains("[  FAILED  ]"))
            GTEST_SKIP() << "no mount namespace here: " << out.constData();
        EXPECT_EQ(child.exitCode(), 0) << out.constData();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.constData();
        return;
    }
    const QString path = QString::fromLocal8Bit(folder) + QStringLiteral("/image.png");
    put(path, "old picture");
    const QString error = safeFile::write(path, QByteArray(256 * 1024, 'x'), safeFile::Mode::UserFile);
    EXPECT_EQ(error, QStringLiteral("No space left on device"));
    EXPECT_EQ(readAll(path), QByteArray("old picture"));
    EXPECT_EQ(QDir(QString::fromLocal8Bit(folder)).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SafeFile, PrivateFolderClosesOnlyRealFoldersOfOurs) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(target);
    ::chmod(QFile::encodeName(target).constData(), 0755);
    const QString linked = dir.filePath(QStringLiteral("cache-link"));
    ASSERT_TRUE(QFile::link(target, linked));
    EXPECT_TRUE(safeFile::ensurePrivateFolder(linked));
    EXPECT_EQ(modeOf(target) & 0777, 0755u);

    const QString own = dir.filePath(QStringLiteral("a/b/Quillnest"));
    EXPECT_TRUE(safeFile::ensurePrivateFolder(own));
    EXPECT_EQ(modeOf(own) & 0777, 0700u);
    put(dir.filePath(QStringLiteral("file")), "x");
    EXPECT_FALSE(safeFile::ensurePrivateFolder(dir.filePath(QStringLiteral("file"))));
}
