#pragma once
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qn::test {

// Points HOME and the XDG folders of the whole test program at a temporary folder
// before the first test runs, so that the program's shared preferences (made on
// first use) never read or write the developer's own.
class SandboxHome : public ::testing::Environment {
public:
    void SetUp() override {
        const QByteArray home = m_dir.path().toUtf8();
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        QDir().mkpath(m_dir.filePath(QStringLiteral(".config")));
    }

private:
    QTemporaryDir m_dir;
};

inline ::testing::Environment *const sandboxHome = ::testing::AddGlobalTestEnvironment(new SandboxHome);

} // namespace qn::test
