#include "platform/PreferencesStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qn;

namespace {

mode_t modeOf(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return mode_t(-1);
    return st.st_mode & 07777;
}

void setMode(const QString &path, mode_t mode) { ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0); }

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every kind of write the store makes, each of which replaces the whole file.
void writeOneOfEach(PreferencesStore &store) {
    store.setText(QStringLiteral("token"), QStringLiteral("s3cr3t"));
    store.setBool(QStringLiteral("isMuted"), true);
    store.setData(QStringLiteral("appearance"), QByteArrayLiteral("\"dark\""));
    store.remove(QStringLiteral("isMuted"));
    store.sync();
}

} // namespace

// The file holds the access token: whatever state the folder and file were found in,
// both are the owner's alone after opening and stay so across every rewrite.
TEST(PreferencesStore, FolderAndFileAreTheOwnersAloneFromTheStartAndAfterEveryWrite) {
    struct Case {
        const char *name;
        bool folderExists;
        mode_t folderMode;
        bool fileExists;
        mode_t fileMode;
    };
    const Case cases[] = {
        {"fresh home", false, 0, false, 0},
        {"folder and file of an earlier version", true, 0755, true, 0644},
        {"file open to everyone", true, 0777, true, 0666},
        {"group-readable file only", true, 0700, true, 0640},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("config/Quillnest"));
        const QString file = folder + QStringLiteral("/prefs.ini");
        if (c.folderExists) {
            ASSERT_TRUE(QDir().mkpath(folder));
            setMode(folder, c.folderMode);
        }
        if (c.fileExists) {
            writeBytes(file, "[General]\nname=Ada\n");
            setMode(file, c.fileMode);
        }
        PreferencesStore store(file, true);
        EXPECT_EQ(modeOf(folder), mode_t(0700));
        EXPECT_EQ(modeOf(file), mode_t(0600));
        if (c.fileExists) // tightened, not rewritten
            EXPECT_EQ(bytesOf(file), QByteArray("[General]\nname=Ada\n"));
        writeOneOfEach(store);
        EXPECT_EQ(modeOf(file), mode_t(0600));
        EXPECT_TRUE(store.writable());
        EXPECT_EQ(store.text(QStringLiteral("token")), QStringLiteral("s3cr3t"));
    }
}

TEST(PreferencesStore, AFileRemovedWhileRunningComesBackPrivate) {
    QTemporaryDir home;
    const QString file = home.filePath(QStringLiteral("prefs.ini"));
    PreferencesStore store(file);
    store.setText(QStringLiteral("token"), QStringLiteral("s3cr3t"));
    ASSERT_TRUE(QFile::remove(file));
    store.setBool(QStringLiteral("isMuted"), false);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(modeOf(file), mode_t(0600));
}

// A store on a file in a folder it did not make (a test's, or a shared one) leaves the
// folder's mode alone; only its own file is closed.
TEST(PreferencesStore, AFolderNotItsOwnIsLeftAsItIs) {
    QTemporaryDir shared;
    setMode(shared.path(), 0755);
    const QString file = shared.filePath(QStringLiteral("prefs.ini"));
    PreferencesStore store(file);
    store.setText(QStringLiteral("token"), QStringLiteral("s3cr3t"));
    EXPECT_EQ(modeOf(shared.path()), mode_t(0755));
    EXPECT_EQ(modeOf(file), mode_t(0600));
}

// Closing the file changes nothing in how values are written down: the bytes are
// those QSettings writes on its own.
TEST(PreferencesStore, StoredFormsAreUnchanged) {
    QTemporaryDir home;
    const QString file = home.filePath(QStringLiteral("Quillnest/prefs.ini"));
    const QString plain = home.filePath(QStringLiteral("plain.ini"));
    {
        PreferencesStore store(file, true);
        store.setBool(QStringLiteral("isFirstRun"), false);
        store.setText(QStringLiteral("token"), QStringLiteral("t0k3n"));
        store.setData(QStringLiteral("appearance"), QByteArrayLiteral("\"dark\""));
        QSettings reference(plain, QSettings::IniFormat);
        reference.setValue(QStringLiteral("isFirstRun"), false);
        reference.setValue(QStringLiteral("token"), QStringLiteral("t0k3n"));
        reference.setValue(QStringLiteral("appearance"), QByteArrayLiteral("\"dark\""));
    }
    EXPECT_FALSE(bytesOf(file).isEmpty());
    EXPECT_EQ(bytesOf(file), bytesOf(plain));
}
