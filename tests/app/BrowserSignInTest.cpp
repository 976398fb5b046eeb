#include "tests/cloud/CloudTestSupport.h"
#include "app/BrowserSignIn.h"
#include "app/TrayMenu.h"

using namespace qn;
using qn::test::CloudTest;
using Reply = qn::test::FakeHttpServer::Reply;

namespace {

const QByteArray kLink = "/api/v2/iwannagohome";
const QByteArray kPoll = "/api/v2/login_iwgh";
const QByteArray kNoToken = R"({"success":false,"message":"waiting"})";
const QByteArray kToken = R"({"success":true,"result":"tok-9","name":"Ann"})";

class SignInTest : public CloudTest {
protected:
    void SetUp() override {
        CloudTest::SetUp();
        settings->setToken(QString());
        signIn = std::make_unique<BrowserSignIn>(*api, *settings);
        signIn->setPollInterval(100);
        signIn->setSigningInNoticeDelay(0);
        BrowserSignIn::Effects &e = signIn->effects();
        e.openPage = [this](const QUrl &url) {
            pages.append(url.toString(QUrl::FullyEncoded));
            return true;
        };
        e.showSigningIn = [this] { notices.append(QStringLiteral("signing in")); };
        e.showSignedIn = [this](const QString &name) { notices.append(QStringLiteral("signed in ") + name); };
        e.showError = [this](const QString &text) { notices.append(QStringLiteral("error ") + text); };
        e.reloadTrayInfo = [this] { ++trayInfoLoads; };
        e.rebuildMenu = [this] { ++rebuilds; };
        server.answer(kLink, R"({"id":42,"seed":"s33d"})");
    }
    void TearDown() override {
        signIn.reset();
        CloudTest::TearDown();
    }

    std::unique_ptr<BrowserSignIn> signIn;
    QStringList pages;
    QStringList notices;
    int trayInfoLoads = 0;
    int rebuilds = 0;
};

} // namespace

TEST_F(SignInTest, TokenOnTheThirdPollSignsIn) {
    server.answer(kPoll, {Reply{200, kNoToken}, Reply{200, kNoToken}, Reply{200, kToken}});
    signIn->loginAction();
    EXPECT_TRUE(settings->settingsLoader());
    ASSERT_TRUE(waitFor([&] { return settings->token() == QLatin1String("tok-9"); }));
    EXPECT_EQ(pages, QStringList{server.host() + QStringLiteral("/users/riwgh/42/s33d")});
    EXPECT_EQ(settings->name(), QStringLiteral("Ann"));
    EXPECT_FALSE(settings->settingsLoader());
    EXPECT_FALSE(signIn->polling());
    EXPECT_EQ(server.count(kPoll), 3);
    for (const auto &request : server.requests(kPoll))
        EXPECT_EQ(request.body, QByteArray("id=42&seed=s33d"));
    EXPECT_TRUE(notices.contains(QStringLiteral("signing in")));
    EXPECT_EQ(notices.last(), QStringLiteral("signed in Ann"));
    EXPECT_EQ(trayInfoLoads, 1);
    EXPECT_EQ(Analytics::shared().defaultParameters().value(QStringLiteral("username")).toString(),
              QStringLiteral("Ann"));
    QTest::qWait(100);
    EXPECT_EQ(server.count(kPoll), 3);
}

TEST_F(SignInTest, TheAnswerAfterTheTwentiethPollEndsTheAttempt) {
    server.answer(kPoll, kNoToken);
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return !settings->settingsLoader(); }, 15000));
    EXPECT_FALSE(signIn->polling());
    // The timer does not wait for answers: one more poll may be under way when the
    // answer to the 21st arrives.
    EXPECT_GE(signIn->repeatCount(), 21);
    EXPECT_LE(signIn->repeatCount(), 22);
    ASSERT_TRUE(waitFor([&] { return server.count(kPoll) == signIn->repeatCount(); }));
    EXPECT_EQ(notices.last(), QStringLiteral("error Attempts to login exceed 20"));
    EXPECT_TRUE(settings->token().isEmpty());
    const qsizetype sent = server.count(kPoll);
    QTest::qWait(150);
    EXPECT_EQ(server.count(kPoll), sent);
}

TEST_F(SignInTest, ATokenWithoutNameIsNoSignIn) {
    server.answer(kPoll, {Reply{200, R"({"success":true,"result":"t"})"}, Reply{200, R"({"success":true,"name":"n"})"},
                          Reply{200, kToken}});
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return !settings->token().isEmpty(); }));
    EXPECT_EQ(server.count(kPoll), 3);
    EXPECT_EQ(settings->token(), QStringLiteral("tok-9"));
}

TEST_F(SignInTest, AFailedPollStopsWithTheErrorNotice) {
    server.answer(kPoll, {Reply{200, kNoToken}, Reply{200, "not json"}});
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return !settings->settingsLoader(); }));
    EXPECT_FALSE(signIn->polling());
    EXPECT_TRUE(notices.last().startsWith(QLatin1String("error Unreadable answer")));
    EXPECT_TRUE(settings->token().isEmpty());
}

TEST_F(SignInTest, AFailedLinkRequestOpensNothing) {
    server.answer(kLink, R"({"id":"42","seed":"s"})");
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return !settings->settingsLoader(); }));
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_FALSE(signIn->polling());
    EXPECT_EQ(notices, QStringList{QStringLiteral("error Unreadable answer from the cloud service: id is not an integer")});
}

TEST_F(SignInTest, LateAnswersAfterTheStopCountOnlyWhenTheyCarryAToken) {
    // Every poll waits at the service until the test answers it.
    server.answer(kPoll, {Reply{200, {}, true}});
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return server.heldCount() >= 3; }));
    server.release(0, Reply{404, {}}); // an error ends the attempt
    ASSERT_TRUE(waitFor([&] { return !signIn->polling(); }));
    ASSERT_EQ(notices.filter(QStringLiteral("error")).size(), 1);
    server.release(1, Reply{200, kNoToken}); // late and empty: ignored
    server.release(2, Reply{500, "{}"});     // late error: ignored
    QTest::qWait(150);
    EXPECT_EQ(notices.filter(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(settings->token().isEmpty());

    // The user finished in the browser just before: that answer still signs in.
    signIn->loginAction();
    ASSERT_TRUE(waitFor([&] { return server.heldCount() >= 5; }));
    server.release(3, Reply{200, kToken});
    ASSERT_TRUE(waitFor([&] { return settings->token() == QLatin1String("tok-9"); }));
    EXPECT_FALSE(signIn->polling());
    server.release(4, Reply{200, R"({"success":true,"result":"other","name":"Bob"})"}); // same session, already in
    QTest::qWait(150);
    EXPECT_EQ(settings->token(), QStringLiteral("tok-9"));
    EXPECT_EQ(notices.filter(QStringLiteral("signed in")).size(), 1);
}

TEST(SignInPage, AddressFromHostIdAndSeed) {
    const QString host = QStringLiteral("http://127.0.0.1:18765");
    EXPECT_EQ(BrowserSignIn::signInPage(host, 42, QStringLiteral("s33d")).toString(),
              QStringLiteral("http://127.0.0.1:18765/users/riwgh/42/s33d"));
    // A seed is one path segment, whatever it holds.
    EXPECT_EQ(BrowserSignIn::signInPage(QStringLiteral("https://quillnest.app"), 7, QStringLiteral("../a b?x#y"))
                  .toString(QUrl::FullyEncoded),
              QStringLiteral("https://quillnest.app/users/riwgh/7/..%2Fa%20b%3Fx%23y"));
    EXPECT_TRUE(BrowserSignIn::signInPage(QString(), 1, QStringLiteral("s")).isEmpty());
    EXPECT_TRUE(BrowserSignIn::signInPage(QStringLiteral("file://"), 1, QStringLiteral("s")).isEmpty());
    EXPECT_TRUE(BrowserSignIn::signInPage(QStringLiteral("http://bad host"), 1, QStringLiteral("s")).isEmpty());
}

TEST_F(SignInTest, TheStatusMenuSignsInThroughItsClientAndStopsPollingAtTheEnd) {
    server.answer(kPoll, kNoToken);
    TrayMenu tray(*settings, nullptr, nullptr, api.get());
    tray.signIn().setPollInterval(100);
    tray.signIn().effects() = signIn->effects();
    tray.loginAction();
    ASSERT_TRUE(waitFor([&] { return server.count(kPoll) >= 1; }));
    EXPECT_EQ(pages.size(), 1);
    tray.teardown();
    EXPECT_FALSE(tray.signIn().polling());
    const qsizetype polls = server.count(kPoll);
    QTest::qWait(350);
    EXPECT_EQ(server.count(kPoll), polls);
}
