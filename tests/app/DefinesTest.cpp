#include "app/state/Defines.h"

#include "BuildInfo.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(Defines, OnlyTheDevelopmentIdentifierSelectsTheDevelopmentHost) {
    const QString production = QString::fromUtf8(build::kProductionHost);
    const QString development = QString::fromUtf8(build::kDevelopmentHost);
    EXPECT_EQ(Defines::hostFor(QStringLiteral("com.orvalen.QuillnestSnapDev")), development);
    for (const char *id : {"com.orvalen.QuillnestSnap", "com.orvalen.quillnestsnapdev", "com.orvalen.QuillnestSnapDev ",
                           "something.else", ""})
        EXPECT_EQ(Defines::hostFor(QString::fromUtf8(id)), production) << id;
    EXPECT_FALSE(production.endsWith(QLatin1Char('/')));
}

TEST(Defines, EndpointsHangOffTheHost) {
    EXPECT_EQ(Defines::webHost(), Defines::host());
    EXPECT_EQ(Defines::api(), Defines::host() + QStringLiteral("/api/v2"));
    EXPECT_EQ(Defines::magicLink(), Defines::api() + QStringLiteral("/iwannagohome"));
    EXPECT_EQ(Defines::magicLinkSecond(), Defines::api() + QStringLiteral("/login_iwgh"));
    EXPECT_EQ(Defines::getUserTrayInfo(), Defines::api() + QStringLiteral("/get_user_tray_info"));
    EXPECT_EQ(Defines::settings(), Defines::api() + QStringLiteral("/settings"));
    EXPECT_EQ(Defines::readAllComments(), Defines::api() + QStringLiteral("/read_all_comments"));
    EXPECT_EQ(Defines::createTask(), Defines::api() + QStringLiteral("/create_task"));
    EXPECT_EQ(Defines::createDraft(), Defines::api() + QStringLiteral("/create_draft"));
}

// Paths from the service must not lead the browser to another host.
TEST(Defines, ServiceAddressesStayOnTheServiceHost) {
    struct Case {
        const char *path;
        bool ok;
    };
    const Case cases[] = {
        {"/d/abc", true},       {"/public", true},         {"/", true},
        {"d/abc", false},       {"@evil.example/x", false}, {".evil.example/x", false},
        {":99/x", false},       {"/a b", false},
    };
    for (const Case &c : cases) {
        const auto address = Defines::serviceAddress(QString::fromUtf8(c.path));
        EXPECT_EQ(address.has_value(), c.ok) << c.path;
        if (address) {
            EXPECT_EQ(*address, Defines::host() + QString::fromUtf8(c.path));
        }
    }
}
