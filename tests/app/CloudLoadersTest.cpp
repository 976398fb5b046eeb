#include "cloud/CloudTestSupport.h"
#include "app/CloudLoaders.h"

using namespace qn;
using qn::test::CloudTest;

namespace {

const QByteArray kDraft =
    R"({"id":31,"owner_id":2,"task_id":8,"order":0,"name":"Login page",)"
    R"("image":{"url":"u","thumb":{"url":"t"},"project_thumb":{"url":"p"},"blur":{"url":"b"}},)"
    R"("marked_for_deletion":false,"deleted":false,"height":900,"width":1440,"allow_comment":true,"readed":false,)"
    R"("short_link":{"id":9,"name":"abc12","type_link":2,"real_id":31,"created_at":"t1","updated_at":"t2",)"
    R"("project_id":4,"deleted":false}})";
const QByteArray kProject = R"({"id":1,"name":"Web","url":"https://x/p/1","archive":false,"temporary":0})";

class LoadersTest : public CloudTest {
protected:
    void SetUp() override {
        CloudTest::SetUp();
        settings->setFeeds({Draft{}});
        settings->setProjects({Project{5, QStringLiteral("Old"), QStringLiteral("u"), false, 0}});
    }
    int rebuilds = 0;
    QObject menu;
};

} // namespace

TEST_F(LoadersTest, TrayInfoReplacesProjectsAndDraftsThenRebuilds) {
    server.answer("/api/v2/get_user_tray_info", R"({"success":true,"projects":[)" + kProject + R"(],"drafts":[)" +
                                                    kDraft + "," + kDraft + "]}");
    CloudLoaders::reloadTrayInfo(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return rebuilds == 1; }));
    ASSERT_EQ(settings->feeds().size(), 2);
    EXPECT_EQ(settings->feeds()[0].name, QStringLiteral("Login page"));
    EXPECT_EQ(settings->feeds()[1].short_link.name, QStringLiteral("abc12"));
    ASSERT_EQ(settings->projects().size(), 1);
    EXPECT_EQ(settings->projects()[0].url, QStringLiteral("https://x/p/1"));
}

TEST_F(LoadersTest, AnswersWithoutListsEmptyThem) {
    server.answer("/api/v2/get_user_tray_info", R"({"success":true})");
    CloudLoaders::reloadTrayInfo(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return rebuilds == 1; }));
    EXPECT_TRUE(settings->feeds().isEmpty());
    EXPECT_TRUE(settings->projects().isEmpty());

    settings->setProjects({Project{}});
    server.answer("/api/v2/settings", R"({"success":true,"result":null})");
    CloudLoaders::reloadProjects(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return rebuilds == 2; }));
    EXPECT_TRUE(settings->projects().isEmpty());
}

TEST_F(LoadersTest, ProjectListFromTheSettingsAnswer) {
    server.answer("/api/v2/settings", R"({"success":true,"result":{"projects":[)" + kProject + "]}}");
    CloudLoaders::reloadProjects(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return rebuilds == 1; }));
    ASSERT_EQ(settings->projects().size(), 1);
    EXPECT_EQ(settings->projects()[0].name, QStringLiteral("Web"));
    EXPECT_EQ(settings->feeds().size(), 1); // untouched
}

TEST_F(LoadersTest, FailuresKeepTheListsAsTheyWere) {
    const QByteArray badDraft = QByteArray(kDraft).replace("\"readed\":false", "\"readed\":0");
    server.answer("/api/v2/get_user_tray_info", R"({"success":true,"drafts":[)" + badDraft + "]}");
    server.answer("/api/v2/settings", R"({"success":false,"message":"nope"})");
    CloudLoaders::reloadTrayInfo(*api, *settings, &menu, [this] { ++rebuilds; });
    CloudLoaders::reloadProjects(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return server.requests().size() == 2; }));
    QTest::qWait(100);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(settings->feeds().size(), 1);
    EXPECT_EQ(settings->projects().value(0).name, QStringLiteral("Old"));
}

TEST_F(LoadersTest, SignedOutSendsNothing) {
    settings->setToken(QString());
    CloudLoaders::reloadTrayInfo(*api, *settings, &menu, [this] { ++rebuilds; });
    CloudLoaders::reloadProjects(*api, *settings, &menu, [this] { ++rebuilds; });
    QTest::qWait(100);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(LoadersTest, ExpiredTokenSignsOutAndEmptiesTheLists) {
    NotificationHub::shared().observe(QStringLiteral("tokenExpired"), &menu, [this] { settings->logout(); });
    server.answer("/api/v2/get_user_tray_info", R"({"success":false,"message":"Undefined @user"})");
    CloudLoaders::reloadTrayInfo(*api, *settings, &menu, [this] { ++rebuilds; });
    ASSERT_TRUE(waitFor([&] { return rebuilds == 1; }));
    EXPECT_EQ(tokenExpired, 1);
    EXPECT_TRUE(settings->token().isEmpty());
    EXPECT_TRUE(settings->feeds().isEmpty());
}

TEST_F(LoadersTest, NoRebuildOnceTheMenuIsGone) {
    server.answer("/api/v2/get_user_tray_info", R"({"success":true,"projects":[)" + kProject + "]}");
    auto *gone = new QObject;
    CloudLoaders::reloadTrayInfo(*api, *settings, gone, [this] { ++rebuilds; });
    delete gone;
    ASSERT_TRUE(waitFor([&] { return settings->projects().value(0).name == QLatin1String("Web"); }));
    EXPECT_EQ(rebuilds, 0);
}

TEST_F(LoadersTest, MarkAllAsReadEmptiesAtOnceWhateverTheServiceSays) {
    server.answer("/api/v2/read_all_comments", R"({"success":false,"message":"down"})");
    CloudLoaders::markAllAsRead(*api, *settings);
    EXPECT_TRUE(settings->feeds().isEmpty());
    ASSERT_TRUE(waitFor([&] { return server.count("/api/v2/read_all_comments") == 1; }));
    QTest::qWait(50);
    EXPECT_TRUE(settings->feeds().isEmpty());
    EXPECT_EQ(server.requests("/api/v2/read_all_comments")[0].body, QByteArray("authid=tok%201"));
}
