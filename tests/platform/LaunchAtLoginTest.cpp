#include "platform/LaunchAtLogin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {
// Points XDG_CONFIG_HOME at a folder of its own for one test.
class ConfigHome {
public:
    ConfigHome() : m_old(qgetenv("XDG_CONFIG_HOME")) { qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8()); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", m_old); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

void writeEntry(const QString &text) {
    QDir().mkpath(QFileInfo(LaunchAtLogin::entryPath()).absolutePath());
    QFile f(LaunchAtLogin::entryPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}
} // namespace

TEST(LaunchAtLogin, TheAutostartEntryIsTheState) {
    ConfigHome home;
    EXPECT_EQ(LaunchAtLogin::entryPath(), home.path() + QStringLiteral("/autostart/quillnest.desktop"));
    EXPECT_FALSE(LaunchAtLogin::isEnabled());
    EXPECT_TRUE(LaunchAtLogin::setEnabled(true));
    EXPECT_TRUE(LaunchAtLogin::isEnabled());
    QFile f(LaunchAtLogin::entryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(LaunchAtLogin::setEnabled(false));
    EXPECT_FALSE(QFile::exists(LaunchAtLogin::entryPath()));
    EXPECT_TRUE(LaunchAtLogin::setEnabled(false)); // nothing to remove is fine
}

TEST(LaunchAtLogin, EntriesSwitchedOffByTheDesktopReadAsOff) {
    ConfigHome home;
    struct Case {
        const char *text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=quillnest\n", true},
        {"[Desktop Entry]\nType=Application\nHidden=true\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Other]\nHidden=true\n[Desktop Entry]\nExec=q\n", true},
    };
    for (const Case &c : cases) {
        writeEntry(QString::fromLatin1(c.text));
        EXPECT_EQ(LaunchAtLogin::isEnabled(), c.enabled) << c.text;
    }
}

TEST(LaunchAtLogin, ExecQuotesThePath) {
    EXPECT_TRUE(LaunchAtLogin::entryText(QStringLiteral("/opt/my apps/quill\"nest$"))
                    .contains(QStringLiteral("Exec=\"/opt/my apps/quill\\\"nest\\$\"\n")));
}
