#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace qn;
using safeFile::Mode;
using safeFile::Outcome;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &bytes, mode_t mode = 0644) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode);
}

mode_t modeOf(const QString &path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode;
}

bool isLink(const QString &path) { return S_ISLNK(modeOf(path)); }

QSet<QString> entries(const QString &folder) {
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return QSet<QString>(names.begin(), names.end());
}

// A folder to write in; the umask is fixed so that a new file's mode is known.
struct Scene {
    QTemporaryDir dir;
    mode_t oldMask = ::umask(027);
    ~Scene() { ::umask(oldMask); }
    QString at(const QString &name) const { return dir.filePath(name); }
};

struct RuleCase {
    const char *name;
    Mode mode;
    // Makes what is there before the write; "file.png" is where it goes.
    std::function<void(Scene &)> before;
    QString error; // empty: the write succeeds
    std::function<void(Scene &)> after;
    QString target = QStringLiteral("file.png"); // inside the scene's folder
};

} // namespace

// The rule in the header, case by case: what the path holds afterwards, what became
// of the files and links around it, and that no temporary file is ever left behind.
TEST(SafeFile, TheRule) {
    const QString file = QStringLiteral("file.png");
    const std::vector<RuleCase> cases = {
        {"a new file of the user's gets the umask's mode",
         Mode::UserFile,
         [](Scene &) {},
         {},
         [&](Scene &s) {
             EXPECT_EQ(readAll(s.at(file)), "new");
             EXPECT_EQ(modeOf(s.at(file)) & 07777, 0640u);
         }},
        {"a new file of ours is the owner's alone",
         Mode::PrivateFile,
         [](Scene &) {},
         {},
         [&](Scene &s) { EXPECT_EQ(modeOf(s.at(file)) & 07777, 0600u); }},
        {"a replaced file keeps its mode",
         Mode::UserFile,
         [&](Scene &s) { put(s.at(file), "old", 0604); },
         {},
         [&](Scene &s) {
             EXPECT_EQ(readAll(s.at(file)), "new");
             EXPECT_EQ(modeOf(s.at(file)) & 07777, 0604u);
         }},
        {"a replaced file loses set-user-ID as a write in place would",
         Mode::UserFile,
         [&](Scene &s) { put(s.at(file), "old", 04755); },
         {},
         [&](Scene &s) { EXPECT_EQ(modeOf(s.at(file)) & 07777, 0755u); }},
        {"a replaced file of ours is closed to others",
         Mode::PrivateFile,
         [&](Scene &s) { put(s.at(file), "old", 0644); },
         {},
         [&](Scene &s) { EXPECT_EQ(modeOf(s.at(file)) & 07777, 0600u); }},
        {"a user's link is followed: the link stays, its file is replaced with its mode",
         Mode::UserFile,
         [&](Scene &s) {
             put(s.at("target.png"), "old", 0604);
             ASSERT_TRUE(QFile::link(s.at("target.png"), s.at(file)));
         },
         {},
         [&](Scene &s) {
             EXPECT_TRUE(isLink(s.at(file)));
             EXPECT_EQ(readAll(s.at("target.png")), "new");
             EXPECT_EQ(modeOf(s.at("target.png")) & 07777, 0604u);
         }},
        {"a chain of relative links is followed to its end",
         Mode::UserFile,
         [&](Scene &s) {
             QDir(s.dir.path()).mkdir("sub");
             put(s.at("sub/end.png"), "old");
             ASSERT_EQ(::symlink("end.png", QFile::encodeName(s.at("sub/middle.png")).constData()), 0);
             ASSERT_EQ(::symlink("sub/middle.png", QFile::encodeName(s.at(file)).constData()), 0);
         },
         {},
         [&](Scene &s) {
             EXPECT_TRUE(isLink(s.at(file)));
             EXPECT_TRUE(isLink(s.at("sub/middle.png")));
             EXPECT_EQ(readAll(s.at("sub/end.png")), "new");
             EXPECT_EQ(entries(s.at("sub")), (QSet<QString>{"end.png", "middle.png"}));
         }},
        {"a user's link to nothing yet makes the file it names",
         Mode::UserFile,
         [&](Scene &s) { ASSERT_TRUE(QFile::link(s.at("later.png"), s.at(file))); },
         {},
         [&](Scene &s) {
             EXPECT_TRUE(isLink(s.at(file)));
             EXPECT_EQ(readAll(s.at("later.png")), "new");
         }},
        {"a loop of links is refused, and nothing is made", Mode::UserFile,
         [&](Scene &s) {
             ASSERT_TRUE(QFile::link(s.at("b.png"), s.at(file)));
             ASSERT_TRUE(QFile::link(s.at(file), s.at("b.png")));
         },
         QStringLiteral("Too many levels of symbolic links"),
         [&](Scene &s) {
             EXPECT_TRUE(isLink(s.at(file)));
             EXPECT_TRUE(isLink(s.at("b.png")));
         }},
        {"a link planted where a file of ours goes is replaced, never written through",
         Mode::PrivateFile,
         [&](Scene &s) {
             put(s.at("victim"), "precious", 0644);
             ASSERT_TRUE(QFile::link(s.at("victim"), s.at(file)));
         },
         {},
         [&](Scene &s) {
             EXPECT_FALSE(isLink(s.at(file)));
             EXPECT_EQ(readAll(s.at(file)), "new");
             EXPECT_EQ(readAll(s.at("victim")), "precious");
             EXPECT_EQ(modeOf(s.at("victim")) & 07777, 0644u);
         }},
        {"a link planted at the temporary name is neither followed nor removed",
         Mode::PrivateFile,
         [&](Scene &s) {
             put(s.at("victim"), "precious", 0644);
             ASSERT_TRUE(QFile::link(s.at("victim"), s.at(".file.png.part")));
         },
         {},
         [&](Scene &s) {
             EXPECT_EQ(readAll(s.at(file)), "new");
             EXPECT_EQ(readAll(s.at("victim")), "precious");
             EXPECT_TRUE(isLink(s.at(".file.png.part")));
         }},
        {"a folder at the path stays, and the written file goes again", Mode::UserFile,
         [&](Scene &s) {
             QDir(s.dir.path()).mkdir(file);
             put(s.at("file.png/inside"), "kept");
         },
         QStringLiteral("Is a directory"), [&](Scene &s) { EXPECT_EQ(readAll(s.at("file.png/inside")), "kept"); }},
        {"no folder for the file", Mode::UserFile, [](Scene &) {}, QStringLiteral("No such file or directory"),
         [](Scene &) {}, QStringLiteral("none/file.png")},
    };
    for (const RuleCase &c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        c.before(scene);
        const QSet<QString> there = entries(scene.dir.path());
        EXPECT_EQ(safeFile::write(scene.at(c.target), "new", c.mode), c.error);
        c.after(scene);
        // Only the file itself may be new (or, through a link, the file it names).
        QSet<QString> made = entries(scene.dir.path()) - there;
        made.remove(file);
        made.remove(QStringLiteral("later.png"));
        EXPECT_TRUE(made.isEmpty()) << made.values().join(' ').toStdString();
    }
}

TEST(SafeFile, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.png"));
    put(path, "old");
    ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
    const QString error = safeFile::write(path, "new", Mode::UserFile);
    const QString copyError = safeFile::copy(path, dir.filePath(QStringLiteral("copy.png")), Mode::UserFile);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(error, QStringLiteral("Permission denied"));
    EXPECT_EQ(copyError, QStringLiteral("Permission denied"));
    EXPECT_EQ(readAll(path), QByteArray("old"));
    EXPECT_EQ(entries(dir.path()), QSet<QString>{QStringLiteral("image.png")});
}

// A file system of the test's own: the calling test runs again in a mount namespace
// (unshare -rm), where `setup` has mounted a tmpfs at $1, and finds that folder in
// QN_MOUNTED_DIR. The outer run checks the inner one's result and gets no folder.
namespace {

struct Mounted {
    QString folder; // inside the namespace
    QString skip;   // why the test cannot run here
};

Mounted mounted(const QString &setup) {
    const QByteArray inner = qgetenv("QN_MOUNTED_DIR");
    if (!inner.isEmpty())
        return {QString::fromLocal8Bit(inner), {}};
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("%1.%2").arg(QLatin1String(info->test_suite_name()), QLatin1String(info->name()));
    QTemporaryDir mount;
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString script = setup + QStringLiteral(" && QN_MOUNTED_DIR=\"$1\" exec \"$2\" --gtest_filter=") + filter;
    child.start(QStringLiteral("unshare"),
                {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
                 mount.path(), QCoreApplication::applicationFilePath()});
    if (!child.waitForStarted() || !child.waitForFinished(60000))
        return {{}, QStringLiteral("no unshare here")};
    const QByteArray out = child.readAll();
    if (child.exitCode() != 0 && !out.contains("[  FAILED  ]"))
        return {{}, QStringLiteral("no mount namespace here: ") + QString::fromLocal8Bit(out)};
    EXPECT_EQ(child.exitCode(), 0) << out.constData();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.constData();
    return {};
}

} // namespace

// Read-only for root too, which the folder's mode above is not.
TEST(SafeFile, AReadOnlyFileSystemKeepsTheOldFileAndSaysWhy) {
    const Mounted m = mounted(QStringLiteral("mount -t tmpfs none \"$1\" && printf old > \"$1/image.png\" && "
                                             "mount -o remount,ro \"$1\""));
    if (!m.skip.isEmpty())
        GTEST_SKIP() << m.skip.toStdString();
    if (m.folder.isEmpty())
        return;
    const QString path = m.folder + QStringLiteral("/image.png");
    EXPECT_EQ(safeFile::write(path, "new", Mode::UserFile), QStringLiteral("Read-only file system"));
    EXPECT_EQ(safeFile::copy(path, m.folder + QStringLiteral("/copy.png"), Mode::UserFile),
              QStringLiteral("Read-only file system"));
    EXPECT_EQ(readAll(path), QByteArray("old"));
    EXPECT_EQ(entries(m.folder), QSet<QString>{QStringLiteral("image.png")});
}

// A full disk that really meets ENOSPC, for a picture written whole and for a movie
// copied in pieces.
TEST(SafeFile, AFullDiskNamesTheReasonAndKeepsTheOldFile) {
    const Mounted m = mounted(QStringLiteral("mount -t tmpfs -o size=64k none \"$1\""));
    if (!m.skip.isEmpty())
        GTEST_SKIP() << m.skip.toStdString();
    if (m.folder.isEmpty())
        return;
    const QString path = m.folder + QStringLiteral("/image.png");
    put(path, "old picture");
    EXPECT_EQ(safeFile::write(path, QByteArray(256 * 1024, 'x'), Mode::UserFile),
              QStringLiteral("No space left on device"));
    // The source lives outside the small file system.
    QTemporaryDir outside;
    const QString big = outside.filePath(QStringLiteral("movie.mov"));
    put(big, QByteArray(256 * 1024, 'm'));
    const QString movie = m.folder + QStringLiteral("/movie.mov");
    put(movie, "old movie");
    EXPECT_EQ(safeFile::copy(big, movie, Mode::UserFile), QStringLiteral("No space left on device"));
    EXPECT_EQ(readAll(path), QByteArray("old picture"));
    EXPECT_EQ(readAll(movie), QByteArray("old movie"));
    EXPECT_EQ(entries(m.folder), (QSet<QString>{QStringLiteral("image.png"), QStringLiteral("movie.mov")}));
}

TEST(SafeFile, CopyReplacesWholeAndLeavesTheSourceAlone) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.mov"));
    const QString target = dir.filePath(QStringLiteral("target.mov"));
    // More than one piece of the copy, and not a whole number of them.
    QByteArray movie(3 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < movie.size(); ++i)
        movie[i] = char(i * 7 + i / 4096);
    movie.chop(123);
    put(source, movie, 0600);
    put(target, "old", 0640);

    EXPECT_EQ(safeFile::copy(source, target, Mode::UserFile), QString());
    EXPECT_EQ(readAll(target), movie);
    EXPECT_EQ(modeOf(target) & 07777, 0640u);
    EXPECT_EQ(readAll(source), movie);
    EXPECT_EQ(entries(dir.path()), (QSet<QString>{QStringLiteral("source.mov"), QStringLiteral("target.mov")}));

    // A source that cannot be read is named, and the file there stays.
    put(target, "old");
    const QString missing = safeFile::copy(dir.filePath(QStringLiteral("gone.mov")), target, Mode::UserFile);
    EXPECT_EQ(missing, QStringLiteral("gone.mov could not be read: No such file or directory"));
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(safeFile::copy(source, dir.filePath(QStringLiteral("no/such.mov")), Mode::UserFile),
              QStringLiteral("No such file or directory"));
    EXPECT_EQ(entries(dir.path()), (QSet<QString>{QStringLiteral("source.mov"), QStringLiteral("target.mov")}));
}

// The movie's own finish: never over anything at the name, a link included; the
// caller tries the next name with the same written file.
TEST(SafeFile, KeepExistingNeverReplacesAndLetsTheCallerTryAnotherName) {
    QTemporaryDir dir;
    const QString wanted = dir.filePath(QStringLiteral("movie.mov"));
    const QString second = dir.filePath(QStringLiteral("movie 2.mov"));
    const QString third = dir.filePath(QStringLiteral("movie 3.mov"));
    put(wanted, "someone's");
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nothing")), second));
    {
        safeFile::Writer writer(wanted, Mode::PrivateFile);
        ASSERT_TRUE(writer.ok()) << writer.error().toStdString();
        EXPECT_TRUE(QFileInfo::exists(writer.temporaryPath()));
        writer.write("ours");
        EXPECT_EQ(writer.commit(safeFile::Placement::KeepExisting), Outcome::NameTaken);
        EXPECT_EQ(writer.commit(safeFile::Placement::KeepExisting, second), Outcome::NameTaken);
        EXPECT_EQ(writer.commit(safeFile::Placement::KeepExisting, third), Outcome::Done);
        EXPECT_EQ(writer.destination(), third);
    }
    EXPECT_EQ(readAll(wanted), "someone's");
    EXPECT_TRUE(isLink(second));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nothing"))));
    EXPECT_EQ(readAll(third), "ours");
    EXPECT_EQ(modeOf(third) & 07777, 0600u);
    EXPECT_EQ(entries(dir.path()), (QSet<QString>{"movie.mov", "movie 2.mov", "movie 3.mov"}));

    // An existing file moved the same way.
    QString error;
    EXPECT_EQ(safeFile::placeWithoutReplacing(third, wanted, &error), Outcome::NameTaken);
    EXPECT_EQ(safeFile::placeWithoutReplacing(third, dir.filePath(QStringLiteral("4.mov")), &error), Outcome::Done);
    EXPECT_EQ(safeFile::placeWithoutReplacing(third, dir.filePath(QStringLiteral("5.mov")), &error), Outcome::Failed);
    EXPECT_EQ(error, QStringLiteral("No such file or directory"));
}

// A writer given up on (an encoder that failed half way) takes its file with it.
TEST(SafeFile, AWriterNotCommittedLeavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("movie.mov"));
    put(path, "old");
    QString temporary;
    {
        safeFile::Writer writer(path, Mode::UserFile);
        temporary = writer.temporaryPath();
        writer.write("half a movie");
        EXPECT_TRUE(QFileInfo::exists(temporary));
    }
    EXPECT_FALSE(QFileInfo::exists(temporary));
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(entries(dir.path()), QSet<QString>{QStringLiteral("movie.mov")});
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
