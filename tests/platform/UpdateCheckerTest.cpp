#include "platform/UpdateChecker.h"

#include "tests/cloud/FakeHttpServer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;

TEST(UpdateChecker, FeedRecords) {
    const auto ok = UpdateChecker::parseFeed(R"({"version":"1.2.0","build":"14","url":"https://x/dl"})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->version, QStringLiteral("1.2.0"));
    EXPECT_EQ(ok->build, QStringLiteral("14"));
    EXPECT_EQ(ok->url, QStringLiteral("https://x/dl"));
    EXPECT_EQ(UpdateChecker::parseFeed(R"({"version":"2.0","build":15})")->build, QStringLiteral("15"));
    for (const char *bad : {"", "null", "[]", "{}", R"({"version":2})", R"({"version":"latest"})", "<html>"})
        EXPECT_FALSE(UpdateChecker::parseFeed(bad)) << bad;
}

TEST(UpdateChecker, NewerByVersionThenBuild) {
    struct Case {
        const char *version, *build;
        bool newer;
    };
    const Case cases[] = {{"1.0.1", "1", true}, {"1.1", "1", true},     {"1.0.0", "2", true}, {"1.0.0", "1", false},
                          {"1.0", "1", false},  {"0.9.9", "99", false}, {"1.0.0", "x", false}};
    for (const Case &c : cases)
        EXPECT_EQ(UpdateChecker::isNewer({QString::fromUtf8(c.version), QString::fromUtf8(c.build), {}},
                                         QStringLiteral("1.0.0"), QStringLiteral("1")),
                  c.newer)
            << c.version << " " << c.build;
}

// A feed dripped byte by byte ends at the deadline; an oversized one is refused.
TEST(UpdateChecker, SlowOrOversizedFeedsEndAsNotFound) {
    using Reply = qn::test::FakeHttpServer::Reply;
    qn::test::FakeHttpServer server;
    server.answer("/slow", {Reply{200, R"({"version":"99.0","build":"1","url":"u"})", false, {}, 200}});
    server.answer("/big", "{\"version\":\"99.0\",\"x\":\"" + QByteArray(200 * 1024, 'a') + "\"}");
    for (const char *path : {"/slow", "/big"}) {
        UpdateChecker checker(server.host() + QString::fromLatin1(path), QStringLiteral("1.0"), QStringLiteral("1"));
        checker.setDeadline(800);
        QSignalSpy found(&checker, &UpdateChecker::updateFound);
        QSignalSpy notFound(&checker, &UpdateChecker::updateNotFound);
        QElapsedTimer clock;
        clock.start();
        checker.checkInBackground();
        EXPECT_TRUE(notFound.wait(5000)) << path;
        EXPECT_EQ(found.count(), 0) << path;
        EXPECT_LT(clock.elapsed(), 4000) << path;
    }
}
