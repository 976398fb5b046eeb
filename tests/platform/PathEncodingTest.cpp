#include "platform/PathEncoding.h"
#include "tests/support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qn;

namespace {
ino_t inode(const QByteArray &path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

TEST(PathEncoding, FoldersNamedInOtherBytesAreReachedThroughUtf8StandIns) {
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path());
    const QByteArray home = base + "/caf\xe9-\xff";
    ASSERT_EQ(::mkdir(home.constData(), 0700), 0);
    const QByteArray cache = home + "/.cache"; // not there yet
    const QByteArray runtime = home + "/run";
    const QByteArray links = base + "/links";

    test::ScopedEnv h("HOME", home), c("XDG_CACHE_HOME", cache), r("XDG_RUNTIME_DIR", runtime),
        fine("XDG_CONFIG_HOME", base + "/plain");
    EXPECT_EQ(PathEncoding::redirectUnreadableFolders(links), 3);

    for (const char *name : {"HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        EXPECT_TRUE(PathEncoding::isUtf8(qgetenv(name))) << name;
    // The stand-ins lead to the very folders (a missing one is made).
    EXPECT_EQ(inode(qgetenv("HOME")), inode(home));
    EXPECT_NE(inode(cache), 0u);
    EXPECT_EQ(inode(qgetenv("XDG_CACHE_HOME")), inode(cache));
    EXPECT_TRUE(QFile(QString::fromUtf8(qgetenv("HOME")) + QStringLiteral("/x")).open(QIODevice::WriteOnly));
    EXPECT_NE(inode(home + "/x"), 0u);
    // The runtime folder is a real private folder of its own, as Qt requires.
    const QFileInfo runtimeInfo(QString::fromUtf8(qgetenv("XDG_RUNTIME_DIR")));
    EXPECT_TRUE(runtimeInfo.isDir() && !runtimeInfo.isSymLink());
    EXPECT_EQ(runtimeInfo.permissions() & 0x0077, 0);
    // A UTF-8 folder is left as it is; a second start finds its links in place.
    EXPECT_EQ(qgetenv("XDG_CONFIG_HOME"), base + "/plain");
    qputenv("HOME", home);
    EXPECT_EQ(PathEncoding::redirectUnreadableFolders(links), 1);
    EXPECT_EQ(inode(qgetenv("HOME")), inode(home));
}
