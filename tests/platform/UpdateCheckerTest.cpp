#include "platform/UpdateChecker.h"

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
    const Case cases[] = {{"1.0.1", "1", true},  {"1.1", "1", true},   {"1.0.0", "2", true},
                          {"1.0.0", "1", false}, {"1.0", "1", false},  {"0.9.9", "99", false},
                          {"1.0.0", "x", false}};
    for (const Case &c : cases)
        EXPECT_EQ(UpdateChecker::isNewer({QString::fromUtf8(c.version), QString::fromUtf8(c.build), {}},
                                         QStringLiteral("1.0.0"), QStringLiteral("1")),
                  c.newer)
            << c.version << " " << c.build;
}
