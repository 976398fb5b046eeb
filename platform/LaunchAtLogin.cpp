#include "platform/LaunchAtLogin.h"

#include "platform/Diagnostics.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace qn::LaunchAtLogin {

namespace {
// Exec= takes a command line: quote the path the way the desktop entry rules ask.
QString quotedExec(const QString &path) {
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    for (const char c : {'"', '`', '$'})
        escaped.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
} // namespace

QString entryFileName() { return QStringLiteral("quillnest.desktop"); }

QString entryPath() {
    // GenericConfigLocation honours XDG_CONFIG_HOME.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/") + entryFileName());
}

QString entryText(const QString &executable) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quillnest\n"
                          "Comment=Screenshots and screen recordings from the tray\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quotedExec(executable));
}

bool isEnabled() {
    const QString path = entryPath();
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    // An entry the user switched off in the desktop's settings stays on disk.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        if (line.compare(QLatin1String("Hidden=true"), Qt::CaseInsensitive) == 0 ||
            line.compare(QLatin1String("X-GNOME-Autostart-enabled=false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

bool setEnabled(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            diagnostics::report(diagnostics::openAtLoginNotRemoved(path));
            return !isEnabled();
        }
        diagnostics::report(diagnostics::openAtLogin(false));
        return true;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        diagnostics::report(diagnostics::openAtLoginFolderNotMade(QFileInfo(path).absolutePath()));
        return false;
    }
    const QString error =
        safeFile::write(path, entryText(QCoreApplication::applicationFilePath()).toUtf8(), safeFile::Mode::PrivateFile);
    if (!error.isEmpty()) {
        diagnostics::report(diagnostics::openAtLoginNotWritten(path, error));
        return false;
    }
    diagnostics::report(diagnostics::openAtLogin(true));
    return true;
}

} // namespace qn::LaunchAtLogin
