#include "service/CapsuletService.h"
#include "tests/service/BusCalls.h"
#include "tests/service/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;
using qn::test::PrivateBus;

namespace {

const QString kName = QString::fromLatin1(kCapsuletBusName);
const QString kPath = QString::fromLatin1(kCapsuletObjectPath);

class CapsuletServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.start()) << qPrintable(bus.error()); }
    PrivateBus bus;
};

TEST_F(CapsuletServiceTest, ServesExactlyTheTwoRecordingMethods) {
    CapsuletService service;
    ASSERT_TRUE(service.publish(bus.connect())) << qPrintable(service.errorString());
    const QDBusConnection client = bus.connect();
    EXPECT_TRUE(client.interface()->isServiceRegistered(kName).value());

    const auto api = test::introspect(client, kName, kPath, QString::fromLatin1(kCapsuletInterface));
    ASSERT_TRUE(api.found);
    EXPECT_EQ(api.methods, QStringList({QStringLiteral("startRecordWith"), QStringLiteral("stopRecordWith")}));
    EXPECT_EQ(api.argumentCount, 0);
    EXPECT_EQ(api.signalCount, 0);
    EXPECT_EQ(api.propertyCount, 0);

    for (const char *method : {"stopRecordWith", "startRecordWith"}) {
        const QDBusMessage reply = test::callAndWait(client, test::capsuletCall(QString::fromLatin1(method)));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method << qPrintable(reply.errorMessage());
        EXPECT_TRUE(reply.arguments().isEmpty()) << method;
    }
}

TEST_F(CapsuletServiceTest, RefusesToPublishWithoutABus) {
    const QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/capsulet-test-bus"),
                                      QStringLiteral("capsulet-test-nowhere"));
    CapsuletService service;
    EXPECT_FALSE(service.publish(nowhere));
    EXPECT_FALSE(service.errorString().isEmpty());
    QDBusConnection::disconnectFromBus(QStringLiteral("capsulet-test-nowhere"));
}

TEST_F(CapsuletServiceTest, LeavesNothingBehindWhenTheNameIsTaken) {
    QDBusConnection other = bus.connect();
    ASSERT_TRUE(other.registerService(kName));

    QDBusConnection mine = bus.connect();
    CapsuletService service;
    EXPECT_FALSE(service.publish(mine));
    EXPECT_TRUE(service.errorString().contains(QStringLiteral("already taken"))) << qPrintable(service.errorString());
    EXPECT_EQ(mine.objectRegisteredAt(kPath), nullptr);
    EXPECT_EQ(mine.interface()->serviceOwner(kName).value(), other.baseService());
}

TEST_F(CapsuletServiceTest, ReleasesTheNameWhenItEnds) {
    const QDBusConnection client = bus.connect();
    QDBusServiceWatcher watcher(kName, client, QDBusServiceWatcher::WatchForUnregistration);
    QSignalSpy released(&watcher, &QDBusServiceWatcher::serviceUnregistered);
    {
        CapsuletService service;
        ASSERT_TRUE(service.publish(bus.connect()));
        // A round trip after the watch: the bus handles one connection's messages
        // in order, so the watch is in place before the name goes.
        ASSERT_TRUE(client.interface()->isServiceRegistered(kName).value());
    }
    ASSERT_TRUE(released.count() > 0 || released.wait(10000));
    EXPECT_FALSE(client.interface()->isServiceRegistered(kName).value());
}

TEST_F(CapsuletServiceTest, SaysSoWhenTheBusGoesAway) {
    CapsuletService service;
    ASSERT_TRUE(service.publish(bus.connect()));
    QSignalSpy lost(&service, &CapsuletService::busLost);
    bus.stop();
    EXPECT_TRUE(lost.wait(10000));
}

} // namespace
