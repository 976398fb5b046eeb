#include "CloudTestSupport.h"

#include "BuildInfo.h"

#include <QElapsedTimer>
#include <QUrl>

using namespace qn;
using qn::test::CloudTest;
using Reply = qn::test::FakeHttpServer::Reply;

namespace {

// Runs one call and waits for its single completion.
template <typename Record, typename Call> std::optional<CloudResult<Record>> run(Call call) {
    std::optional<CloudResult<Record>> result;
    int calls = 0;
    call([&](CloudResult<Record> r) {
        ++calls;
        result = std::move(r);
    });
    if (!QTest::qWaitFor([&] { return calls > 0; }, 10000))
        return std::nullopt;
    QTest::qWait(20);
    EXPECT_EQ(calls, 1);
    return result;
}

const QByteArray kFormType = "application/x-www-form-urlencoded; charset=utf-8";

// The tray-info call against an answer that does not come in time: it fails as a
// timeout, and well before the given bound.
void expectTrayInfoTimesOut(APICore &api, qint64 boundMs) {
    QElapsedTimer clock;
    clock.start();
    const auto result = run<GetUserTrayInfoResponse>([&](auto done) { api.getUserTrayInfo(done); });
    ASSERT_TRUE(result.has_value());
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, CloudError::Kind::Timeout);
    EXPECT_LT(clock.elapsed(), boundMs);
}

} // namespace

TEST_F(CloudTest, SignInLinkIsAPostWithoutBodyOrContentType) {
    server.answer("/api/v2/iwannagohome", R"({"id":42,"seed":"s33d"})");
    const auto result = run<MagicLinkResponse>([&](auto done) { api->magicLink(done); });
    ASSERT_TRUE(result && result->ok());
    EXPECT_EQ(result->value().id, 42);
    EXPECT_EQ(result->value().seed, QStringLiteral("s33d"));
    const auto request = server.requests("/api/v2/iwannagohome").value(0);
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_FALSE(request.headers.contains("content-type"));
}

TEST_F(CloudTest, SignInPollSendsIdAndSeedWithoutToken) {
    server.answer("/api/v2/login_iwgh", R"({"success":false,"message":"wait"})");
    const auto result =
        run<MagicLinkSecondResponse>([&](auto done) { api->magicLinkSecond(42, QStringLiteral("a+b"), done); });
    ASSERT_TRUE(result && result->ok());
    EXPECT_FALSE(result->value().success); // not an error of the client
    const auto request = server.requests("/api/v2/login_iwgh").value(0);
    EXPECT_EQ(request.body, QByteArray("id=42&seed=a%2Bb"));
    EXPECT_EQ(request.headers.value("content-type"), kFormType);
}

TEST_F(CloudTest, AuthenticatedCallsPostTheStoredToken) {
    const QByteArray ok = R"({"success":true})";
    server.answer("/api/v2/get_user_tray_info", ok);
    server.answer("/api/v2/settings", ok);
    server.answer("/api/v2/read_all_comments", ok);
    ASSERT_TRUE(run<GetUserTrayInfoResponse>([&](auto done) { api->getUserTrayInfo(done); })->ok());
    settings->setToken(QStringLiteral("new&token"));
    ASSERT_TRUE(run<GetProjectsResponse>([&](auto done) { api->getProjects(done); })->ok());
    ASSERT_TRUE(run<SuccessResponse>([&](auto done) { api->readAllComments(done); })->ok());
    EXPECT_EQ(server.requests("/api/v2/get_user_tray_info").value(0).body, QByteArray("authid=tok%201"));
    EXPECT_EQ(server.requests("/api/v2/settings").value(0).body, QByteArray("authid=new%26token"));
    EXPECT_EQ(server.requests("/api/v2/read_all_comments").value(0).body, QByteArray("authid=new%26token"));
    for (const auto &request : server.requests()) {
        EXPECT_EQ(request.method, QByteArray("POST"));
        EXPECT_EQ(request.headers.value("content-type"), kFormType);
    }
}

TEST_F(CloudTest, RefusalsFailWithTheOperationsPrefix) {
    server.answer("/api/v2/get_user_tray_info", R"({"success":false,"message":"Busy"})");
    server.answer("/api/v2/settings", R"({"success":false,"message":"No access"})");
    server.answer("/api/v2/read_all_comments", R"({"success":false})");
    server.answer("/api/v2/create_task", R"({"success":false})");
    server.answer("/api/v2/create_draft", R"({"success":false,"message":"Too big"})");
    const auto tray = run<GetUserTrayInfoResponse>([&](auto done) { api->getUserTrayInfo(done); });
    const auto projects = run<GetProjectsResponse>([&](auto done) { api->getProjects(done); });
    const auto read = run<SuccessResponse>([&](auto done) { api->readAllComments(done); });
    const auto task = run<CreateTaskResponse>([&](auto done) { api->createTask({}, done); });
    const auto draft = run<CreateDraftResponse>([&](auto done) { api->createDraft({}, done); });
    const std::pair<const CloudError *, const char *> expected[] = {
        {&tray->error(), "Load User Tray Info: Busy"}, {&projects->error(), "Load Projects: No access"},
        {&read->error(), "Load Projects: "},           {&task->error(), "Create Task: "},
        {&draft->error(), "Create Draft: Too big"},
    };
    for (const auto &[error, text] : expected) {
        EXPECT_EQ(error->message, QString::fromUtf8(text));
        EXPECT_TRUE(error->isQlntError());
    }
    EXPECT_EQ(tokenExpired, 0);
}

TEST_F(CloudTest, UndefinedUserPostsTokenExpiredOnceAndReturnsTheAnswer) {
    const QByteArray expired = R"({"success":false,"message":"Undefined @user"})";
    for (const char *path : {"/api/v2/get_user_tray_info", "/api/v2/settings", "/api/v2/read_all_comments",
                             "/api/v2/create_task", "/api/v2/create_draft"})
        server.answer(path, expired);
    EXPECT_TRUE(run<GetUserTrayInfoResponse>([&](auto done) { api->getUserTrayInfo(done); })->ok());
    EXPECT_EQ(tokenExpired, 1);
    EXPECT_TRUE(run<GetProjectsResponse>([&](auto done) { api->getProjects(done); })->ok());
    EXPECT_TRUE(run<SuccessResponse>([&](auto done) { api->readAllComments(done); })->ok());
    EXPECT_TRUE(run<CreateTaskResponse>([&](auto done) { api->createTask({}, done); })->ok());
    EXPECT_TRUE(run<CreateDraftResponse>([&](auto done) { api->createDraft({}, done); })->ok());
    EXPECT_EQ(tokenExpired, 5);
    // Only the exact text counts.
    server.answer("/api/v2/settings", R"({"success":false,"message":"undefined @user"})");
    EXPECT_FALSE(run<GetProjectsResponse>([&](auto done) { api->getProjects(done); })->ok());
    EXPECT_EQ(tokenExpired, 5);
}

TEST_F(CloudTest, HttpStatusIsNotExaminedButTheBodyIs) {
    server.answer("/api/v2/get_user_tray_info", R"({"success":true,"projects":[]})", 500);
    const auto served = run<GetUserTrayInfoResponse>([&](auto done) { api->getUserTrayInfo(done); });
    ASSERT_TRUE(served->ok());
    EXPECT_EQ(served->value().projects->size(), 0);

    server.answer("/api/v2/settings", "", 200);
    const auto empty = run<GetProjectsResponse>([&](auto done) { api->getProjects(done); });
    ASSERT_FALSE(empty->ok());
    EXPECT_EQ(empty->error().kind, CloudError::Kind::Decoding);

    // The sign-in steps read their answers just as strictly.
    server.answer("/api/v2/iwannagohome", "", 200);
    EXPECT_EQ(run<MagicLinkResponse>([&](auto done) { api->magicLink(done); })->error().kind,
              CloudError::Kind::Decoding);
    server.answer("/api/v2/login_iwgh", "<html>Bad Gateway</html>", 502);
    EXPECT_EQ(run<MagicLinkSecondResponse>([&](auto done) { api->magicLinkSecond(1, QStringLiteral("s"), done); })
                  ->error()
                  .kind,
              CloudError::Kind::Decoding);
}

TEST_F(CloudTest, AStalledServiceFailsAfterTheTransferTimeout) {
    api->setDeadline(300);
    server.answer("/api/v2/get_user_tray_info", {Reply{200, {}, true}});
    expectTrayInfoTimesOut(*api, 5000);
}

TEST_F(CloudTest, AnUnreachableServiceIsATransportError) {
    const QString host = server.host();
    server.close();
    APICore offline(host, settings.get());
    const auto result = run<SuccessResponse>([&](auto done) { offline.readAllComments(done); });
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, CloudError::Kind::Transport);
    EXPECT_FALSE(result->error().message.isEmpty());
}

TEST(APICoreHost, ProductionHostIsHttpsWithoutTrailingSlash) {
    const QUrl production(QString::fromUtf8(build::kProductionHost));
    EXPECT_EQ(production.scheme(), QStringLiteral("https"));
    EXPECT_FALSE(QString::fromUtf8(build::kProductionHost).endsWith(QLatin1Char('/')));
}

TEST(APICoreHost, ServicesOnThisMachineNeedOnlyTheLoopback) {
    for (const char *host : {"127.0.0.1", "127.8.9.10", "::1", "localhost", "LocalHost"})
        EXPECT_TRUE(APICore::isLoopbackHost(QString::fromLatin1(host))) << host;
    for (const char *host : {"quillnest.app", "10.0.0.1", "192.168.1.127", "127.example.org", ""})
        EXPECT_FALSE(APICore::isLoopbackHost(QString::fromLatin1(host))) << host;
    // The machine running the tests has its loopback up (the tests talk over it).
    EXPECT_TRUE(APICore(QStringLiteral("http://127.0.0.1:9")).isServiceReachable());
}

// --- what the transport guarantees --------------------------------------------------

TEST_F(CloudTest, AnAnswerDrippedByteByByteEndsAtTheDeadline) {
    api->setDeadline(600);
    server.answer("/api/v2/get_user_tray_info", {Reply{200, R"({"success":true,"projects":[]})", false, {}, 100}});
    expectTrayInfoTimesOut(*api, 3000);
}

TEST_F(CloudTest, OversizedAnswersFailWhateverTheirFraming) {
    api->setMaxAnswerBytes(1000);
    const QByteArray big = "{\"success\":true,\"x\":\"" + QByteArray(5000, 'a') + "\"}";
    QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 10; ++i)
        chunked += "200\r\n" + QByteArray(0x200, 'a') + "\r\n";
    chunked += "0\r\n\r\n";
    const QByteArray unframed = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big;
    const QList<Reply> replies = {Reply{200, big}, Reply{200, {}, false, chunked}, Reply{200, {}, false, unframed}};
    for (const Reply &reply : replies) {
        server.answer("/api/v2/settings", {reply});
        const auto result = run<GetProjectsResponse>([&](auto done) { api->getProjects(done); });
        ASSERT_TRUE(result.has_value());
        ASSERT_FALSE(result->ok());
        EXPECT_TRUE(result->error().message.contains(QStringLiteral("too large")))
            << qPrintable(result->error().message);
    }
    // Within the cap, every framing reads.
    api->setMaxAnswerBytes(100000);
    for (const Reply &reply : {Reply{200, {}, false, chunked}}) {
        server.answer("/api/v2/settings", {reply});
        const auto result = run<GetProjectsResponse>([&](auto done) { api->getProjects(done); });
        EXPECT_EQ(result->error().kind, CloudError::Kind::Decoding); // read whole, just not JSON
    }
    server.answer("/api/v2/settings", {Reply{200,
                                             {},
                                             false,
                                             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n{\"suc\r\n"
                                             "B\r\ncess\":true}\r\n0\r\n\r\n"}});
    EXPECT_TRUE(run<GetProjectsResponse>([&](auto done) { api->getProjects(done); })->ok());
}

// The form carries the access token: it goes to the service's host and nowhere else.
TEST_F(CloudTest, RedirectsAreNeverFollowed) {
    qn::test::FakeHttpServer elsewhere;
    elsewhere.answer("/steal", R"({"success":true})");
    for (int status : {301, 302, 307, 308}) {
        server.answer("/api/v2/create_task",
                      {Reply{status, {}, false, {}, 0, false, (elsewhere.host() + "/steal").toLatin1()}});
        const auto result = run<CreateTaskResponse>([&](auto done) { api->createTask({}, done); });
        ASSERT_TRUE(result.has_value());
        ASSERT_FALSE(result->ok()) << status;
        EXPECT_TRUE(result->error().message.contains(QStringLiteral("Redirect refused")))
            << qPrintable(result->error().message);
    }
    QTest::qWait(50);
    EXPECT_TRUE(elsewhere.requests().isEmpty());
}

// The service answers with error statuses and a record; the record counts.
TEST_F(CloudTest, RecordsSentWithErrorStatusesAreRead) {
    for (int status : {400, 407, 418, 500}) {
        server.answer("/api/v2/get_user_tray_info", R"({"success":false,"message":"Undefined @user"})", status);
        const int before = tokenExpired;
        EXPECT_TRUE(run<GetUserTrayInfoResponse>([&](auto done) { api->getUserTrayInfo(done); })->ok()) << status;
        EXPECT_EQ(tokenExpired, before + 1) << status;

        server.answer("/api/v2/create_task", R"({"success":false,"message":"Quota reached"})", status);
        const auto task = run<CreateTaskResponse>([&](auto done) { api->createTask({}, done); });
        ASSERT_FALSE(task->ok());
        EXPECT_EQ(task->error().message, QStringLiteral("Create Task: Quota reached")) << status;
        EXPECT_TRUE(task->error().isQlntError());
    }
    server.answer("/api/v2/settings", "<html>Teapot</html>", 418);
    const auto html = run<GetProjectsResponse>([&](auto done) { api->getProjects(done); });
    EXPECT_EQ(html->error().kind, CloudError::Kind::Decoding);
    EXPECT_TRUE(html->error().message.contains(QStringLiteral("418")));
}

TEST_F(CloudTest, APostIsNeverSentTwiceAfterABrokenConnection) {
    server.answer("/api/v2/create_task", {Reply{200, {}, false, {}, 0, true}, Reply{200, R"({"success":true})"}});
    const auto result = run<CreateTaskResponse>([&](auto done) { api->createTask({}, done); });
    ASSERT_TRUE(result.has_value());
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, CloudError::Kind::Transport);
    QTest::qWait(300);
    EXPECT_EQ(server.count("/api/v2/create_task"), 1);
}
