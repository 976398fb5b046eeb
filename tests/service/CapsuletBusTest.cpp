// Drives the installed capsulet program the way a desktop does: a session bus starts
// it through the installed service file when a client first calls it.
#include "service/Capsulet.h"
#include "tests/service/BusCalls.h"
#include "tests/service/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>

using namespace qn;
using qn::test::PrivateBus;

namespace {

const QString kName = QString::fromLatin1(kCapsuletBusName);
const QString kPath = QString::fromLatin1(kCapsuletObjectPath);
const QString kInterface = QString::fromLatin1(kCapsuletInterface);

// Installs the capsulet component of this build into a prefix; returns cmake's
// output when it fails.
QString installInto(const QString &prefix, const QString &destdir = {}) {
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DESTDIR"));
    if (!destdir.isEmpty())
        env.insert(QStringLiteral("DESTDIR"), destdir);
    install.setProcessEnvironment(env);
    install.start(QStringLiteral(QN_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(QN_BUILD_DIR), QStringLiteral("--component"),
                   QStringLiteral("capsulet"), QStringLiteral("--prefix"), prefix});
    if (!install.waitForFinished(120000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
        return QStringLiteral("cmake --install failed: ") + QString::fromUtf8(install.readAll());
    return {};
}

QString readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Waits until a process that is not our child has ended.
bool waitForExit(qint64 pid, int timeoutMs) {
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return errno == ESRCH;
    pollfd p{fd, POLLIN, 0};
    const bool ended = ::poll(&p, 1, timeoutMs) == 1;
    ::close(fd);
    return ended;
}

void expectExitWithBus(qint64 pid) {
    if (!waitForExit(pid, 10000)) {
        ADD_FAILURE() << "capsulet outlived its bus";
        ::kill(pid_t(pid), SIGKILL); // leave no stray copy behind
    }
}

struct ProgramRun {
    int exitCode = -1;
    QStringList errorLines;
};

class CapsuletBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefix = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_prefix->isValid());
        s_installError = installInto(s_prefix->path());
    }
    static void TearDownTestSuite() { s_prefix.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_installError.isEmpty()) << qPrintable(s_installError);
        bus = std::make_unique<PrivateBus>(s_prefix->filePath(QStringLiteral("share/dbus-1/services")));
        ASSERT_TRUE(bus->start()) << qPrintable(bus->error());
        client = bus->connect();
        ASSERT_TRUE(client.isConnected());
    }
    void TearDown() override {
        // Ending the bus ends what it started: the program leaves when its bus goes.
        const qint64 pid = servicePid();
        bus.reset();
        if (pid > 0)
            expectExitWithBus(pid);
    }

    qint64 servicePid() const {
        if (!client.isConnected() || !client.interface()->isServiceRegistered(kName).value())
            return 0;
        return client.interface()->servicePid(kName).value();
    }

    static QString installedProgram() { return s_prefix->filePath(QStringLiteral("bin/capsulet")); }

    static ProgramRun runInstalled(const QProcessEnvironment &env) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(installedProgram(), {});
        ProgramRun run;
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.errorLines = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return run;
    }

    static std::unique_ptr<QTemporaryDir> s_prefix;
    static QString s_installError;
    std::unique_ptr<PrivateBus> bus;
    QDBusConnection client{QString()};
};

std::unique_ptr<QTemporaryDir> CapsuletBusTest::s_prefix;
QString CapsuletBusTest::s_installError;

TEST_F(CapsuletBusTest, InstallWritesAServiceFileThatStartsTheInstalledProgram) {
    const QString file =
        readFile(s_prefix->filePath(QStringLiteral("share/dbus-1/services/com.morvane.Capsulet.service")));
    EXPECT_TRUE(file.startsWith(QStringLiteral("[D-BUS Service]\n"))) << qPrintable(file);
    EXPECT_TRUE(file.contains(QStringLiteral("\nName=com.morvane.Capsulet\n"))) << qPrintable(file);
    EXPECT_TRUE(file.contains(QStringLiteral("\nExec=") + installedProgram() + QLatin1Char('\n'))) << qPrintable(file);
    EXPECT_TRUE(QFileInfo(installedProgram()).isExecutable());

    // A staged install (packaging) names the final place, not the staging folder.
    QTemporaryDir stage;
    ASSERT_TRUE(stage.isValid());
    const QString error = installInto(QStringLiteral("/opt/quillnest"), stage.path());
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    const QString staged =
        readFile(stage.filePath(QStringLiteral("opt/quillnest/share/dbus-1/services/com.morvane.Capsulet.service")));
    EXPECT_TRUE(staged.contains(QStringLiteral("\nExec=/opt/quillnest/bin/capsulet\n"))) << qPrintable(staged);
    EXPECT_TRUE(QFileInfo::exists(stage.filePath(QStringLiteral("opt/quillnest/bin/capsulet"))));
}

TEST_F(CapsuletBusTest, StartsOnDemandAndListsExactlyTheTwoMethods) {
    EXPECT_FALSE(client.interface()->isServiceRegistered(kName).value());

    const auto api = test::introspect(client, kName, kPath, kInterface);
    ASSERT_TRUE(api.found);
    EXPECT_EQ(api.methods, QStringList({QStringLiteral("startRecordWith"), QStringLiteral("stopRecordWith")}));
    EXPECT_EQ(api.argumentCount, 0);
    EXPECT_EQ(api.signalCount, 0);
    EXPECT_EQ(api.propertyCount, 0);
    EXPECT_GT(servicePid(), 0);
}

// Calls in any order and any number: the service keeps no state, so each one is
// answered with an empty reply.
class CapsuletCallOrderTest : public CapsuletBusTest,
                              public ::testing::WithParamInterface<std::vector<const char *>> {};

TEST_P(CapsuletCallOrderTest, EveryCallIsAnsweredWithAnEmptyReply) {
    int i = 0;
    for (const char *method : GetParam()) {
        const QDBusMessage reply = test::callAndWait(client, test::capsuletCall(QString::fromLatin1(method)));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << "call " << i << " " << method << ": "
            << qPrintable(reply.errorName() + QLatin1Char(' ') + reply.errorMessage());
        EXPECT_TRUE(reply.arguments().isEmpty()) << "call " << i << " " << method;
        ++i;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, CapsuletCallOrderTest,
                         ::testing::Values(std::vector<const char *>{"startRecordWith"},
                                           std::vector<const char *>{"stopRecordWith"},
                                           std::vector<const char *>{"stopRecordWith", "stopRecordWith"},
                                           std::vector<const char *>{"stopRecordWith", "startRecordWith",
                                                                     "startRecordWith", "stopRecordWith"}));

TEST_F(CapsuletBusTest, TwoClientsCallingAtOnceAreBothAnsweredByOneProgram) {
    QDBusConnection other = bus->connect();
    ASSERT_TRUE(other.isConnected());

    // Everything is sent before anything is answered, the first calls while the
    // program is still being started for them.
    std::vector<std::unique_ptr<QDBusPendingCallWatcher>> calls;
    for (int round = 0; round < 3; ++round) {
        for (const QDBusConnection *c : {&client, &other}) {
            const char *method = round % 2 ? "stopRecordWith" : "startRecordWith";
            calls.push_back(std::make_unique<QDBusPendingCallWatcher>(
                c->asyncCall(test::capsuletCall(QString::fromLatin1(method)), 20000)));
        }
    }
    QStringList answeredBy;
    for (auto &call : calls) {
        if (!call->isFinished()) {
            QSignalSpy finished(call.get(), &QDBusPendingCallWatcher::finished);
            ASSERT_TRUE(finished.wait(25000));
        }
        const QDBusMessage reply = call->reply();
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
        EXPECT_TRUE(reply.arguments().isEmpty());
        answeredBy << reply.service();
    }
    answeredBy.removeDuplicates();
    EXPECT_EQ(answeredBy, QStringList{client.interface()->serviceOwner(kName).value()});
}

struct UnknownCall {
    const char *interface;
    const char *method;
    QVariantList arguments;
    const char *error;
};

class CapsuletUnknownCallTest : public CapsuletBusTest, public ::testing::WithParamInterface<UnknownCall> {};

TEST_P(CapsuletUnknownCallTest, IsRefusedWithTheBusStandardError) {
    const UnknownCall &c = GetParam();
    const QDBusMessage reply =
        test::callAndWait(client, test::capsuletCall(QString::fromLatin1(c.method), QString::fromLatin1(c.interface),
                                                     c.arguments));
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName(), QString::fromLatin1(c.error)) << qPrintable(reply.errorMessage());

    // The program is still there and answers.
    EXPECT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("startRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CapsuletUnknownCallTest,
    ::testing::Values(
        UnknownCall{kCapsuletInterface, "pauseRecordWith", {}, "org.freedesktop.DBus.Error.UnknownMethod"},
        UnknownCall{
            kCapsuletInterface, "startRecordWith", {QStringLiteral("now")}, "org.freedesktop.DBus.Error.UnknownMethod"},
        UnknownCall{kCapsuletInterface, "deleteLater", {}, "org.freedesktop.DBus.Error.UnknownMethod"},
        UnknownCall{"com.morvane.Other", "startRecordWith", {}, "org.freedesktop.DBus.Error.UnknownInterface"}));

TEST_F(CapsuletBusTest, ReleasesItsNameWhenItEndsAndIsStartedAgainOnTheNextCall) {
    ASSERT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("startRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
    const qint64 first = servicePid();
    ASSERT_GT(first, 0);

    QDBusServiceWatcher watcher(kName, client, QDBusServiceWatcher::WatchForUnregistration);
    QSignalSpy released(&watcher, &QDBusServiceWatcher::serviceUnregistered);
    // A round trip after the watch: the bus handles one connection's messages in
    // order, so the watch is in place before the program ends.
    ASSERT_TRUE(client.interface()->isServiceRegistered(kName).value());
    ASSERT_EQ(::kill(pid_t(first), SIGTERM), 0);
    ASSERT_TRUE(released.wait(10000));
    EXPECT_FALSE(client.interface()->isServiceRegistered(kName).value());

    EXPECT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("stopRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
    const qint64 second = servicePid();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);
}

TEST_F(CapsuletBusTest, LeavesWhenItsBusGoesAway) {
    ASSERT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("startRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
    const qint64 pid = servicePid();
    ASSERT_GT(pid, 0);
    bus->stop();
    expectExitWithBus(pid);
}

TEST_F(CapsuletBusTest, WithoutASessionBusSaysSoInOneLineAndFails) {
    QTemporaryDir runtime; // holds no bus socket
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE", "DISPLAY"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    const ProgramRun run = runInstalled(env);
    EXPECT_NE(run.exitCode, 0);
    ASSERT_EQ(run.errorLines.size(), 1) << qPrintable(run.errorLines.join(QLatin1Char('\n')));
    EXPECT_TRUE(run.errorLines.constFirst().startsWith(QStringLiteral("capsulet: no D-Bus session bus")))
        << qPrintable(run.errorLines.constFirst());
}

TEST_F(CapsuletBusTest, ASecondCopyLeavesTheNameToTheFirst) {
    ASSERT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("startRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
    const QString owner = client.interface()->serviceOwner(kName).value();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_STARTER_ADDRESS"));
    env.remove(QStringLiteral("DBUS_STARTER_BUS_TYPE"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
    const ProgramRun run = runInstalled(env);
    EXPECT_NE(run.exitCode, 0);
    ASSERT_EQ(run.errorLines.size(), 1) << qPrintable(run.errorLines.join(QLatin1Char('\n')));
    EXPECT_TRUE(run.errorLines.constFirst().contains(QStringLiteral("already taken")))
        << qPrintable(run.errorLines.constFirst());

    EXPECT_EQ(client.interface()->serviceOwner(kName).value(), owner);
    EXPECT_EQ(test::callAndWait(client, test::capsuletCall(QStringLiteral("stopRecordWith"))).type(),
              QDBusMessage::ReplyMessage);
}

} // namespace
