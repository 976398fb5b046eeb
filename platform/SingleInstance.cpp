#include "platform/SingleInstance.h"

#include "BuildInfo.h"
#include "platform/Diagnostics.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {
constexpr char kHello[] = "launched\n";

// The display is part of the name: two X sessions of one user each get their own
// program, as each has its own tray and hot key.
QString displayPart() {
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar &c : display)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    return display;
}
} // namespace

QString SingleInstance::defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    // Without a runtime folder: one of our own in the temporary folder, used only when
    // it is a real folder of ours (not a link someone planted) and closed to others.
    const QString folder = QDir::temp().filePath(QStringLiteral("quillnest-%1").arg(::geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        ((st.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0))
        return folder;
    return QDir::tempPath();
}

SingleInstance::SingleInstance(const QString &folder, QObject *parent) : QObject(parent) {
    const QString dir = folder.isEmpty() ? defaultFolder() : folder;
    m_base =
        QDir(dir).filePath(QStringLiteral("%1-%2").arg(QString::fromUtf8(build::kBundleIdentifier), displayPart()));
}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

bool SingleInstance::claim() {
    m_lock = std::make_unique<QLockFile>(m_base + QStringLiteral(".lock"));
    // A lock left by a program that died is taken over (QLockFile checks its process).
    if (!m_lock->tryLock(0)) {
        if (!tellRunningOne())
            diagnostics::report(diagnostics::alreadyRunningNoAnswer());
        return false;
    }
    // A socket file left by a program that died would refuse the new one.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        diagnostics::report(diagnostics::singleInstanceNotListening(socketPath(), m_server->errorString()));
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains('\n'))
                    Q_EMIT anotherLaunched();
                peer->disconnectFromServer();
            });
        }
    });
    return true;
}

bool SingleInstance::tellRunningOne() {
    // The running one may still be starting (lock taken, socket not yet open): try
    // for a moment.
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(500)) {
            socket.write(kHello);
            socket.flush();
            return socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace qn
