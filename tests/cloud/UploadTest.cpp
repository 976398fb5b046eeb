#include "CloudTestSupport.h"
#include "annotation/BoxTool.h"
#include "annotation/PointTool.h"
#include "cloud/FormEncoder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

using namespace qn;
using qn::test::CloudTest;

namespace {

CommentPoint point(std::optional<qint64> number, const QString &text, QPointF start, QPointF end,
                   std::optional<CornerType> corner = std::nullopt, QNColor color = {QColor(0x00, 0xC2, 0xFF), false}) {
    return CommentPoint{number, text, color, start, end, corner};
}

// The form fields of a body in the order sent, values unescaped.
QList<std::pair<QString, QString>> fields(const QByteArray &body) {
    QList<std::pair<QString, QString>> out;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        out.append({QUrl::fromPercentEncoding(pair.left(eq)), QUrl::fromPercentEncoding(pair.mid(eq + 1))});
    }
    return out;
}

QImage capture(int width, int height, qreal dpr) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    image.setDevicePixelRatio(dpr);
    return image;
}

class UploadTest : public CloudTest {
protected:
    // Starts an upload and waits for its one completion.
    std::optional<APICore::UploadResult> upload(const QImage &image, const QList<CommentPoint> &points = {},
                                                const std::optional<QByteArray> &gif = std::nullopt,
                                                const std::optional<QString> &name = std::nullopt,
                                                QRectF crop = QRectF(100, 50, 200, 100), qreal scale = 2.0) {
        std::optional<APICore::UploadResult> result;
        int calls = 0;
        api->uploadImage(image, gif, name, scale, crop, points, [&](APICore::UploadResult r) {
            ++calls;
            result = std::move(r);
        });
        if (!waitFor([&] { return calls > 0; }, 15000))
            return std::nullopt;
        QTest::qWait(30);
        EXPECT_EQ(calls, 1);
        return result;
    }
    void SetUp() override {
        CloudTest::SetUp();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }
};

} // namespace

TEST_F(UploadTest, TaskThenDraftWithJpegAndSortedPoints) {
    settings->setProjects({Project{3, QStringLiteral("Web"), QStringLiteral("u"), false, 0},
                           Project{9, QStringLiteral("Uploads"), QStringLiteral("u2"), false, 1}});
    server.answer("/api/v2/create_task", R"({"success":true,"task_id":77,"link":"/t/Ab1"})");
    server.answer("/api/v2/create_draft", R"({"success":true,"draft_url":"/d/xyz","draft_id":5})");
    const QList<CommentPoint> points = {
        point(2, QStringLiteral("Alpha"), {110, 60}, {140, 80}, CornerType::TopRight),
        point(1, QStringLiteral("beta"), {150, 70}, {130, 90}),
    };
    const auto result = upload(capture(400, 200, 2.0), points);
    ASSERT_TRUE(result.has_value());
    ASSERT_TRUE(result->ok()) << qPrintable(result->error().message);
    ASSERT_TRUE(result->value().has_value());
    EXPECT_EQ(result->value()->draft_url, QStringLiteral("/d/xyz"));

    const auto task = server.requests("/api/v2/create_task");
    ASSERT_EQ(task.size(), 1);
    EXPECT_EQ(task[0].body,
              QByteArray("authid=tok%201&description=&fastLoad=1&name=Screenshot%202024-05-06%2007.08.09&projectid=9"));

    const auto draft = server.requests("/api/v2/create_draft");
    ASSERT_EQ(draft.size(), 1);
    const QByteArray body = draft[0].body;
    const auto sent = fields(body);
    QString fileData;
    for (const auto &[key, value] : sent)
        if (key == QLatin1String("file_data"))
            fileData = value;
    ASSERT_TRUE(fileData.startsWith(QLatin1String("data:image/png;base64,")));
    const QByteArray jpeg = QByteArray::fromBase64(fileData.mid(22).toLatin1());
    EXPECT_TRUE(jpeg.startsWith("\xFF\xD8\xFF")); // JPEG, whatever the label says
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(jpeg, "JPG"));
    EXPECT_EQ(decoded.size(), QSize(400, 200));

    // The whole body, byte for byte, with the JPEG in its place.
    const QByteArray p = "points%5B%5D%5B";
    const QByteArray expected =
        "authid=tok%201&fileName=Screenshot%202024-05-06%2007.08.09&file_data=" +
        FormEncoder::escape(fileData) + "&height=100.0&" +
        // Both points are colour 11: ordered by comment text, Alpha (number 2) first.
        p + "color%5D=11&" + p + "comment%5D=Alpha&" + p + "height%5D=20.0&" + p + "left%5D=80.0&" + p +
        "order%5D=2&" + p + "position%5D=4&" + p + "top%5D=20.0&" + p + "width%5D=15.0&" + p + "color%5D=11&" + p +
        "comment%5D=beta&" + p + "height%5D=20.0&" + p + "left%5D=60.0&" + p + "order%5D=1&" + p +
        "position%5D=3&" + p + "top%5D=40.0&" + p + "width%5D=10.0&" +
        "projectid=9&templateid=77&width=200.0";
    EXPECT_EQ(body, expected);

    EXPECT_EQ(clipboard(), server.host() + QStringLiteral("/t/Ab1"));
    EXPECT_EQ(effects, (QStringList{QStringLiteral("notice"), QStringLiteral("sound")}));
    EXPECT_EQ(events, QStringList{QStringLiteral("upload_to_cloud")});
}

TEST_F(UploadTest, GifBytesTravelUnchangedWithoutProjectOrPoints) {
    server.answer("/api/v2/create_task", R"({"success":true,"task_id":1})");
    server.answer("/api/v2/create_draft", R"({"success":true})");
    const QByteArray gif = "GIF89a\x01\x00\x01\x00\x00\xff";
    const auto result = upload(capture(30, 20, 1.0), {}, gif, QStringLiteral("cat.gif"));
    ASSERT_TRUE(result && result->ok());
    const QByteArray body = server.requests("/api/v2/create_draft").value(0).body;
    EXPECT_EQ(body, "authid=tok%201&fileName=cat.gif&file_data=" +
                        FormEncoder::escape(QStringLiteral("data:image/gif;base64,") + QString::fromLatin1(gif.toBase64())) +
                        "&height=20.0&templateid=1&width=30.0");
    EXPECT_EQ(server.requests("/api/v2/create_task").value(0).body,
              QByteArray("authid=tok%201&description=&fastLoad=1&name=cat.gif"));
    // No link: nothing copied, no notice, no sound.
    EXPECT_EQ(clipboard(), QStringLiteral("before"));
    EXPECT_TRUE(effects.isEmpty());
}

TEST_F(UploadTest, QuietSettingsStillCopyTheLink) {
    settings->setShowNotifications(false);
    settings->setMuted(true);
    server.answer("/api/v2/create_task", R"({"success":true,"task_id":1,"link":"/t/q"})");
    server.answer("/api/v2/create_draft", R"({"success":true})");
    ASSERT_TRUE(upload(capture(10, 10, 1.0))->ok());
    EXPECT_EQ(clipboard(), server.host() + QStringLiteral("/t/q"));
    EXPECT_TRUE(effects.isEmpty());
}

TEST_F(UploadTest, FailuresReportAnErrorAndNoSuccess) {
    const struct {
        const char *name;
        QByteArray task;
        QByteArray draft; // empty: no draft request expected
        const char *message;
        int tokenExpired;
        const char *clipboard;
    } cases[] = {
        {"refused task", R"({"success":false,"message":"Quota"})", {}, "Create Task: Quota", 0, "before"},
        {"task without id", R"({"success":true,"link":"/t/x"})", {}, "Create Task: the service created no task", 0,
         "before"},
        {"task id null", R"({"success":true,"task_id":null,"message":"later"})", {}, "Create Task: later", 0, "before"},
        {"expired at task", R"({"success":false,"message":"Undefined @user","link":"/t/x"})", {},
         "Create Task: Undefined @user", 1, "before"},
        {"expired at draft", R"({"success":true,"task_id":4,"link":"/t/y"})",
         R"({"success":true,"message":"Undefined @user"})", "Create Draft: Undefined @user", 1, "/t/y"},
        {"refused draft", R"({"success":true,"task_id":4,"link":"/t/z"})", R"({"success":false,"message":"Size"})",
         "Create Draft: Size", 0, "/t/z"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        tokenExpired = 0;
        events.clear();
        const qsizetype draftsBefore = server.count("/api/v2/create_draft");
        server.answer("/api/v2/create_task", c.task);
        server.answer("/api/v2/create_draft", c.draft.isEmpty() ? QByteArray(R"({"success":true})") : c.draft);
        const auto result = upload(capture(10, 10, 1.0));
        ASSERT_TRUE(result.has_value());
        ASSERT_FALSE(result->ok());
        EXPECT_EQ(result->error().message, QString::fromUtf8(c.message));
        EXPECT_TRUE(result->error().isQlntError());
        EXPECT_EQ(server.count("/api/v2/create_draft") - draftsBefore, c.draft.isEmpty() ? 0 : 1);
        EXPECT_EQ(tokenExpired, c.tokenExpired);
        EXPECT_TRUE(events.isEmpty());
        const QString expectedClipboard = QString::fromUtf8(c.clipboard) == QLatin1String("before")
                                              ? QStringLiteral("before")
                                              : server.host() + QString::fromUtf8(c.clipboard);
        EXPECT_EQ(clipboard(), expectedClipboard);
    }
}

TEST_F(UploadTest, AnImageThatCannotBeEncodedFailsWithoutARequest) {
    const auto result = upload(QImage());
    ASSERT_TRUE(result.has_value());
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, CloudError::Kind::Encoding);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(events.isEmpty());
}

TEST(UploadPoints, GeometryAgainstTheCropArea) {
    const QRectF crop(100, 50, 200, 100);
    const struct {
        const char *name;
        QPointF start, end;
        std::optional<CornerType> corner;
        qreal scale;
        qint64 position;
        double width, height, left, top;
    } cases[] = {
        {"top left at scale 2", {110, 55}, {140, 75}, CornerType::TopLeft, 2, 3, 15.0, 20.0, 20.0, 10.0},
        {"no corner is top left", {110, 55}, {140, 75}, std::nullopt, 2, 3, 15.0, 20.0, 20.0, 10.0},
        {"top right anchors at the far x", {110, 55}, {140, 75}, CornerType::TopRight, 2, 4, 15.0, 20.0, 80.0, 10.0},
        {"bottom left anchors at the far y", {110, 55}, {140, 75}, CornerType::BottomLeft, 2, 1, 15.0, 20.0, 20.0, 50.0},
        {"bottom right anchors at both", {140, 75}, {110, 55}, CornerType::BottomRight, 1, 2, 15.0, 20.0, 40.0, 25.0},
        {"edge corners keep the top left", {110, 55}, {140, 75}, CornerType::Right, 1, 8, 15.0, 20.0, 10.0, 5.0},
        {"one point wide keeps the top left", {110, 55}, {111, 75}, CornerType::BottomRight, 2, 2, 0.5, 20.0, 20.0, 10.0},
        {"flat keeps the top left", {110, 55}, {140, 56}, CornerType::TopRight, 2, 4, 15.0, 1.0, 20.0, 10.0},
        {"50 of 200 is 25 percent", {100, 50}, {150, 60}, CornerType::Top, 1, 5, 25.0, 10.0, 0.0, 0.0},
    };
    for (const auto &c : cases) {
        const auto p = APICore::makeUploadPoint(point(3, QStringLiteral("c"), c.start, c.end, c.corner), crop, c.scale);
        EXPECT_EQ(p.position, c.position) << c.name;
        EXPECT_DOUBLE_EQ(p.width, c.width) << c.name;
        EXPECT_DOUBLE_EQ(p.height, c.height) << c.name;
        EXPECT_DOUBLE_EQ(p.left, c.left) << c.name;
        EXPECT_DOUBLE_EQ(p.top, c.top) << c.name;
        EXPECT_TRUE(p.arrows.isEmpty());
    }
}

TEST(UploadPoints, AnEmptyCropAreaSendsZeroSizesNeverInfOrNaN) {
    const auto p = APICore::makeUploadPoint(point(1, QStringLiteral("c"), {10, 10}, {40, 30}, CornerType::BottomRight),
                                            QRectF(), 1.0);
    EXPECT_EQ(p.width, 0.0);
    EXPECT_EQ(p.height, 0.0);
    EXPECT_EQ(p.left, 40.0);
    EXPECT_EQ(p.top, 30.0);
}

TEST(UploadPoints, SortedStablyByNumberWithColourCodes) {
    const QNColor red{QColor(0xFF, 0x41, 0x41), false};
    const QNColor mask{QColor(0x33, 0xF1, 0x03), true};
    const QNColor other{QColor(1, 2, 3), false};
    const QList<CommentPoint> drawn = {
        point(3, QStringLiteral("three"), {0, 0}, {5, 5}, std::nullopt, red),
        point(1, QStringLiteral("one a"), {0, 0}, {5, 5}, std::nullopt, mask),
        point(std::nullopt, QStringLiteral("none"), {0, 0}, {5, 5}, std::nullopt, other),
        point(1, QStringLiteral("one b"), {0, 0}, {5, 5}),
        point(2, QStringLiteral("two"), {0, 0}, {5, 5}),
    };
    const auto sorted = APICore::makeUploadPoints(drawn, QRectF(0, 0, 10, 10), 1.0);
    QStringList comments;
    for (const auto &p : sorted)
        comments.append(p.comment);
    EXPECT_EQ(comments, (QStringList{QStringLiteral("none"), QStringLiteral("one a"), QStringLiteral("one b"),
                                     QStringLiteral("two"), QStringLiteral("three")}));
    EXPECT_FALSE(sorted[0].order.has_value());
    EXPECT_EQ(sorted[1].order, 1);
    EXPECT_EQ(sorted[4].order, 3);
    EXPECT_EQ(sorted[0].color, 1);  // outside the palette
    EXPECT_EQ(sorted[1].color, 10); // inversion mark
    EXPECT_EQ(sorted[2].color, 11); // first palette colour
    EXPECT_EQ(sorted[4].color, 14); // fourth palette colour
}

TEST_F(UploadTest, TheDefaultNameIsTheOneOfTheCaptureBeingUploaded) {
    QString current = QStringLiteral("Screenshot 2024-05-06 07.08.09");
    api->setDefaultName([&current] { return current; });
    server.answer("/api/v2/create_task", R"({"success":true,"task_id":1})");
    server.answer("/api/v2/create_draft", R"({"success":true})");
    int calls = 0;
    api->uploadImage(capture(40, 20, 1.0), std::nullopt, std::nullopt, 1.0, QRectF(0, 0, 40, 20), {},
                     [&](APICore::UploadResult) { ++calls; });
    // The next capture names itself while this one is still being encoded.
    current = QStringLiteral("Screenshot 2024-05-06 07.08.10");
    ASSERT_TRUE(waitFor([&] { return calls == 1; }));
    const QByteArray task = server.requests("/api/v2/create_task").value(0).body;
    EXPECT_TRUE(task.contains("name=Screenshot%202024-05-06%2007.08.09")) << task.constData();
    EXPECT_TRUE(server.requests("/api/v2/create_draft").value(0).body.contains("fileName=Screenshot%202024-05-06%2007.08.09"));
}

TEST(UploadPoints, TheCommentPointsAmongTheDrawnObjectsInDrawingOrder) {
    auto pin = [](std::optional<int> number, const QString &text, QPointF a, QPointF b,
                  std::optional<CornerType> corner) {
        auto p = std::make_shared<PointTool>();
        p->number = number;
        p->text = text;
        p->startPoint = a;
        p->endPoint = b;
        p->pointCorner = corner;
        p->color = QNColor{QColor(0xFF, 0x41, 0x41), false};
        return p;
    };
    auto box = std::make_shared<RectangleTool>();
    box->startPoint = QPointF(1, 1);
    box->endPoint = QPointF(9, 9);
    const QList<DrawnPtr> drawn = {pin(2, QStringLiteral("second"), {10, 20}, {30, 40}, CornerType::TopRight), box,
                                  pin(std::nullopt, QStringLiteral("loose"), {5, 5}, {5, 5}, std::nullopt)};
    const QList<CommentPoint> points = commentPointsOf(drawn);
    ASSERT_EQ(points.size(), 2);
    EXPECT_EQ(points[0].number, 2);
    EXPECT_EQ(points[0].text, QStringLiteral("second"));
    EXPECT_EQ(points[0].startPoint, QPointF(10, 20));
    EXPECT_EQ(points[0].endPoint, QPointF(30, 40));
    EXPECT_EQ(points[0].pointCorner, CornerType::TopRight);
    EXPECT_EQ(points[0].color, (QNColor{QColor(0xFF, 0x41, 0x41), false}));
    EXPECT_FALSE(points[1].number.has_value());
    EXPECT_EQ(points[1].text, QStringLiteral("loose"));
}

// The task's link lands on the clipboard glued to the service's host: only a plain
// path may be glued there.
TEST_F(UploadTest, OnlyAPlainPathIsTakenAsTheTasksLink) {
    server.answer("/api/v2/create_draft", R"({"success":true})");
    const std::pair<const char *, bool> links[] = {
        {"/t/Ab1", true},          {"/t/a@b", true},         {"@other.host/x", false},
        {"//other.host/x", false}, {"http://evil/x", false}, {"t/Ab1", false},
        {"/t/a b", false},         {"/t/\\\\evil", false},   {":9/x", false},
    };
    for (const auto &[link, usable] : links) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        effects.clear();
        const QJsonObject answer{{"success", true}, {"task_id", 1}, {"link", QString::fromUtf8(link)}};
        server.answer("/api/v2/create_task", QJsonDocument(answer).toJson(QJsonDocument::Compact));
        const qsizetype drafts = server.count("/api/v2/create_draft");
        const auto result = upload(capture(8, 8, 1.0));
        ASSERT_TRUE(result.has_value()) << link;
        EXPECT_EQ(result->ok(), usable) << link;
        if (usable) {
            EXPECT_EQ(clipboard(), server.host() + QString::fromUtf8(link));
        } else {
            EXPECT_EQ(clipboard(), QStringLiteral("before")) << link;
            EXPECT_TRUE(effects.isEmpty()) << link;
            EXPECT_EQ(result->error().message, QStringLiteral("Create Task: unusable link"));
            EXPECT_EQ(server.count("/api/v2/create_draft"), drafts) << link;
        }
    }
}

// A large file travels without being held in several copies: the body is made as it
// is sent, and it is byte for byte the form the service reads.
TEST_F(UploadTest, ALargeFileIsStreamedAsTheExactForm) {
    server.answer("/api/v2/create_task", R"({"success":true,"task_id":4,"link":"/t/x"})");
    server.answer("/api/v2/create_draft", R"({"success":true})");
    QByteArray gif(3 * 1024 * 1024 + 7, Qt::Uninitialized);
    for (qsizetype i = 0; i < gif.size(); ++i)
        gif[i] = static_cast<char>((i * 7919) >> 3); // every Base64 letter, '+' and '/' included
    int calls = 0;
    api->uploadData(gif, QStringLiteral("data:image/gif;base64,"), QSizeF(10, 20), QStringLiteral("big.gif"),
                    [&](APICore::UploadResult r) {
                        ++calls;
                        EXPECT_TRUE(r.ok());
                    });
    ASSERT_TRUE(waitFor([&] { return calls > 0; }, 20000));
    CreateDraftRequestParams expected;
    expected.authid = QStringLiteral("tok 1");
    expected.width = 10;
    expected.height = 20;
    expected.templateid = 4;
    expected.fileName = QStringLiteral("big.gif");
    expected.file_data = QStringLiteral("data:image/gif;base64,") + QString::fromLatin1(gif.toBase64());
    const auto request = server.requests("/api/v2/create_draft").value(0);
    EXPECT_EQ(request.headers.value("content-length").toLongLong(), request.body.size());
    EXPECT_TRUE(request.body == formBody(expected));
}
