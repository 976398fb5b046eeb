#include "cloud/RecordReader.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {

// A complete draft as the service sends it; `patch` replaces or removes keys.
QByteArray draftJson(const QByteArray &overrides = {}, const QByteArray &shortLink = {}) {
    QByteArray link = shortLink.isEmpty()
                          ? QByteArray(R"({"id":9,"name":"abc12","type_link":2,"real_id":31,"created_at":"t1",)"
                                       R"("updated_at":"t2","project_id":4,"deleted":false})")
                          : shortLink;
    QByteArray fields = R"("id":31,"owner_id":2,"task_id":8,"order":0,"name":"Login page",)"
                        R"("image":{"url":"u","thumb":{"url":"t"},"project_thumb":{"url":"p"},"blur":{"url":"b"}},)"
                        R"("created_at":"c","updated_at":"u","removed":false,"status":"new",)"
                        R"("marked_for_deletion":false,"last_status_update":"l","deleted":false,)"
                        R"("height":900,"width":1440,"allow_comment":true,"readed":false,"short_link":)" +
                        link;
    return "{" + (overrides.isEmpty() ? fields : overrides) + "}";
}

template <typename Record> bool reads(const QByteArray &json) { return decodeRecord<Record>(json).ok(); }

} // namespace

TEST(RecordReader, SuccessMustBeAJsonBoolean) {
    const struct {
        const char *json;
        bool ok;
    } cases[] = {
        {R"({"success":true})", true},
        {R"({"success":false,"message":"no"})", true},
        {R"({"success":1})", false},
        {R"({"success":"true"})", false},
        {R"({"success":null})", false},
        {R"({})", false},
        {R"({"success":true,"message":5})", false},
        {R"({"success":true,"message":null,"type":null})", true},
        {R"({"success":true,"extra":[1,{"x":null}]})", true},
        {R"([{"success":true}])", false},
        {R"({"success":true)", false},
        {"", false},
        {"   ", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(reads<SuccessResponse>(c.json), c.ok) << c.json;
}

TEST(RecordReader, IntegersMustBeWholeAndWithin64Bits) {
    const struct {
        const char *json;
        bool ok;
        qint64 id;
    } cases[] = {
        {R"({"id":42,"seed":"s"})", true, 42},
        {R"({"id":-7,"seed":"s"})", true, -7},
        {R"({"id":42.0,"seed":"s"})", true, 42},
        {R"({"id":1e2,"seed":"s"})", true, 100},
        {R"({"id":9223372036854775807,"seed":"s"})", true, 9223372036854775807LL},
        {R"({"id":9223372036854775808,"seed":"s"})", false, 0},
        {R"({"id":4.5,"seed":"s"})", false, 0},
        {R"({"id":"42","seed":"s"})", false, 0},
        {R"({"id":true,"seed":"s"})", false, 0},
        {R"({"id":42,"seed":7})", false, 0},
        {R"({"id":42})", false, 0},
        {R"({"seed":"s"})", false, 0},
    };
    for (const auto &c : cases) {
        const auto answer = decodeRecord<MagicLinkResponse>(c.json);
        ASSERT_EQ(answer.ok(), c.ok) << c.json;
        if (c.ok) {
            EXPECT_EQ(answer.value().id, c.id);
            EXPECT_EQ(answer.value().seed, QStringLiteral("s"));
        }
    }
}

TEST(RecordReader, SignInPollAnswerOptionalFields) {
    auto answer = decodeRecord<MagicLinkSecondResponse>(R"({"success":true,"result":"tok","name":"Ann"})");
    ASSERT_TRUE(answer.ok());
    EXPECT_EQ(answer.value().result, QStringLiteral("tok"));
    EXPECT_EQ(answer.value().name, QStringLiteral("Ann"));
    answer = decodeRecord<MagicLinkSecondResponse>(R"({"success":false,"result":null})");
    ASSERT_TRUE(answer.ok());
    EXPECT_FALSE(answer.value().result.has_value());
    EXPECT_FALSE(answer.value().name.has_value());
    EXPECT_FALSE(reads<MagicLinkSecondResponse>(R"({"success":true,"result":123})"));
    EXPECT_FALSE(reads<MagicLinkSecondResponse>(R"({"success":true,"type":false})"));
}

TEST(RecordReader, ProjectListAnswers) {
    const QByteArray good = R"({"id":1,"name":"Web","url":"https://x/p/1","archive":false,"temporary":0})";
    const QByteArray temp = R"({"id":2,"name":"Tmp","url":"https://x/p/2","archive":true,"temporary":1})";
    const struct {
        QByteArray json;
        bool ok;
        int projects; // -1: no list
    } cases[] = {
        {R"({"success":true,"result":{"projects":[)" + good + "," + temp + "]}}", true, 2},
        {R"({"success":true,"result":null})", true, -1},
        {R"({"success":true})", true, -1},
        {R"({"success":true,"result":{}})", true, -1},
        {R"({"success":true,"result":{"projects":[]}})", true, 0},
        {R"({"success":true,"result":{"projects":[{"id":1,"name":"Web","url":"u","temporary":0}]}})", false, 0},
        {R"({"success":true,"result":{"projects":[{"id":1,"name":"W","url":"u","archive":false,"temporary":true}]}})",
         false, 0},
        {R"({"success":true,"result":{"projects":[)" + good + ",null]}}", false, 0},
        {R"({"success":true,"result":{"projects":{}}})", false, 0},
        {R"({"success":true,"result":[]})", false, 0},
    };
    for (const auto &c : cases) {
        const auto answer = decodeRecord<GetProjectsResponse>(c.json);
        ASSERT_EQ(answer.ok(), c.ok) << c.json.constData();
        if (!c.ok)
            continue;
        const auto &result = answer.value().result;
        const bool hasList = result && result->projects;
        EXPECT_EQ(hasList ? int(result->projects->size()) : -1, c.projects) << c.json.constData();
    }
    const auto answer = decodeRecord<GetProjectsResponse>(R"({"success":true,"result":{"projects":[)" + temp + "]}}");
    ASSERT_TRUE(answer.ok());
    EXPECT_EQ(answer.value().result->projects->first(),
              (Project{2, QStringLiteral("Tmp"), QStringLiteral("https://x/p/2"), true, 1}));
}

TEST(RecordReader, DraftReadsEveryFieldAndIgnoresUnknownKeys) {
    const auto draft = decodeRecord<Draft>(draftJson());
    ASSERT_TRUE(draft.ok()) << qPrintable(draft.error().message);
    const Draft &d = draft.value();
    EXPECT_EQ(d.id, 31);
    EXPECT_EQ(d.owner_id, 2);
    EXPECT_EQ(d.task_id, 8);
    EXPECT_EQ(d.name, QStringLiteral("Login page"));
    EXPECT_EQ(d.image.project_thumb.url, QStringLiteral("p"));
    EXPECT_EQ(d.image.blur.url, QStringLiteral("b"));
    EXPECT_EQ(d.created_at, QStringLiteral("c"));
    EXPECT_EQ(d.removed, false);
    EXPECT_EQ(d.status, QStringLiteral("new"));
    EXPECT_EQ(d.width, 1440);
    EXPECT_TRUE(d.allow_comment);
    EXPECT_EQ(d.short_link.name, QStringLiteral("abc12"));
    EXPECT_EQ(d.short_link.type_link, 2);
    EXPECT_EQ(d.short_link.updated_at, QStringLiteral("t2"));

    QByteArray extra = draftJson();
    extra.replace("\"blur\":{\"url\":\"b\"}", "\"blur\":{\"url\":\"b\",\"w\":3}");
    extra.replace("\"deleted\":false}", "\"deleted\":false,\"later\":{\"x\":[null]}}");
    extra.insert(1, "\"new_field\":null,");
    const auto withExtra = decodeRecord<Draft>(extra);
    ASSERT_TRUE(withExtra.ok()) << qPrintable(withExtra.error().message);
    EXPECT_EQ(withExtra.value(), d);
}

TEST(RecordReader, DraftOptionalAndRequiredFields) {
    auto without = [](QByteArray json, const QByteArray &key) {
        // Drops `"key":value,` for a simple value.
        const qsizetype at = json.indexOf(QByteArray("\"" + key + "\":"));
        const qsizetype end = json.indexOf(',', at);
        json.remove(at, end - at + 1);
        return json;
    };
    QByteArray noOptionals = draftJson();
    for (const char *key : {"created_at", "updated_at", "removed", "status", "last_status_update"})
        noOptionals = without(noOptionals, key);
    const auto bare = decodeRecord<Draft>(noOptionals);
    ASSERT_TRUE(bare.ok()) << qPrintable(bare.error().message);
    EXPECT_FALSE(bare.value().created_at.has_value());
    EXPECT_FALSE(bare.value().removed.has_value());
    EXPECT_FALSE(bare.value().last_status_update.has_value());

    QByteArray nulls = draftJson();
    nulls.replace("\"created_at\":\"c\"", "\"created_at\":null");
    nulls.replace("\"removed\":false", "\"removed\":null");
    nulls.replace("\"status\":\"new\"", "\"status\":null");
    EXPECT_TRUE(reads<Draft>(nulls));

    const struct {
        QByteArray json;
        const char *error;
    } bad[] = {
        {without(draftJson(), "readed"), "readed is missing"},
        {QByteArray(draftJson()).replace("\"readed\":false", "\"readed\":1"), "readed is not true or false"},
        {QByteArray(draftJson()).replace("\"removed\":false", "\"removed\":0"), "removed is not true or false"},
        {QByteArray(draftJson()).replace("\"width\":1440", "\"width\":\"1440\""), "width is not an integer"},
        {QByteArray(draftJson()).replace("\"name\":\"Login page\"", "\"name\":null"), "name is null"},
        {QByteArray(draftJson()).replace("\"thumb\":{\"url\":\"t\"}", "\"thumb\":\"t\""),
         "image.thumb is not an object"},
        {draftJson(
             {},
             R"({"id":9,"name":"abc12","type_link":2,"real_id":31,"updated_at":"t2","project_id":4,"deleted":false})"),
         "short_link.created_at is missing"},
    };
    for (const auto &c : bad) {
        const auto answer = decodeRecord<Draft>(c.json);
        ASSERT_FALSE(answer.ok()) << c.error;
        EXPECT_TRUE(answer.error().message.endsWith(QString::fromLatin1(c.error)))
            << qPrintable(answer.error().message);
        EXPECT_EQ(answer.error().kind, CloudError::Kind::Decoding);
    }
}

TEST(RecordReader, TrayInfoFailsAsAWholeForOneBadDraft) {
    const QByteArray project = R"({"id":1,"name":"Web","url":"u","archive":false,"temporary":0})";
    const auto good = decodeRecord<GetUserTrayInfoResponse>(R"({"success":true,"projects":[)" + project +
                                                            R"(],"drafts":[)" + draftJson() + "," + draftJson() + "]}");
    ASSERT_TRUE(good.ok()) << qPrintable(good.error().message);
    EXPECT_EQ(good.value().drafts->size(), 2);
    EXPECT_EQ(good.value().projects->size(), 1);

    const auto empty = decodeRecord<GetUserTrayInfoResponse>(R"({"success":true})");
    ASSERT_TRUE(empty.ok());
    EXPECT_FALSE(empty.value().projects.has_value());
    EXPECT_FALSE(empty.value().drafts.has_value());

    const QByteArray badDraft = QByteArray(draftJson()).replace("\"readed\":false", "\"readed\":1");
    const auto bad =
        decodeRecord<GetUserTrayInfoResponse>(R"({"success":true,"drafts":[)" + draftJson() + "," + badDraft + "]}");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().message,
              QStringLiteral("Unreadable answer from the cloud service: drafts[1].readed is not true or false"));
    EXPECT_FALSE(reads<GetUserTrayInfoResponse>(R"({"success":true,"drafts":{}})"));
    EXPECT_FALSE(reads<GetUserTrayInfoResponse>(R"({"success":true,"projects":[{"id":1}]})"));
}

TEST(RecordReader, TaskAndDraftAnswers) {
    const struct {
        const char *json;
        bool ok;
    } tasks[] = {
        {R"({"success":true,"task_id":12,"link":"/t/abc"})", true},
        {R"({"success":true,"task_id":null})", true},
        {R"({"success":true,"task_id":"12"})", false},
        {R"({"success":true,"link":5})", false},
        {R"({"success":true,"task_id":12.5})", false},
    };
    for (const auto &c : tasks)
        EXPECT_EQ(reads<CreateTaskResponse>(c.json), c.ok) << c.json;
    const auto task = decodeRecord<CreateTaskResponse>(R"({"success":true,"task_id":12,"link":"/t/abc"})");
    EXPECT_EQ(task.value().task_id, 12);
    EXPECT_EQ(task.value().link, QStringLiteral("/t/abc"));

    const struct {
        const char *json;
        bool ok;
    } drafts[] = {
        {R"({"success":true,"result":true,"draft_url":"/d/x","draft_id":3})", true},
        {R"({"success":true,"result":1})", false},
        {R"({"success":true,"draft_id":"3"})", false},
        {R"({"success":true,"draft_url":null,"draft_id":null,"result":null})", true},
    };
    for (const auto &c : drafts)
        EXPECT_EQ(reads<CreateDraftResponse>(c.json), c.ok) << c.json;
}

namespace {

// What one answer reads as: the failure's text, or the outcome's fields ("type" only
// for the records that list it).
struct Envelope {
    QString error;
    bool success = false;
    std::optional<QString> message;
    std::optional<QString> type;
    bool operator==(const Envelope &) const = default;
};

template <typename Record> Envelope envelopeOf(const QByteArray &json) {
    const auto answer = decodeRecord<Record>(json);
    if (!answer.ok())
        return {answer.error().message};
    Envelope e{{}, answer.value().success, answer.value().message};
    if constexpr (requires { answer.value().type; })
        e.type = answer.value().type;
    return e;
}

void PrintTo(const Envelope &e, std::ostream *os) {
    *os << "error=\"" << qPrintable(e.error) << "\" success=" << e.success
        << " message=" << (e.message ? qPrintable(*e.message) : "none")
        << " type=" << (e.type ? qPrintable(*e.type) : "none");
}

} // namespace

// Every answer that reports an outcome opens with the same envelope and fails the same
// way when it is malformed, whichever request it answers.
TEST(RecordReader, AnswerEnvelopeReadsAlikeInEveryAnswer) {
    const QString unreadable = QStringLiteral("Unreadable answer from the cloud service: ");
    auto failed = [&](const char *why) { return Envelope{unreadable + QLatin1String(why)}; };
    const struct {
        const char *json;
        Envelope typed; // the answers that list "type"
        Envelope tray;  // "/get_user_tray_info", which does not
    } cases[] = {
        {R"({"success":true})", {{}, true}, {{}, true}},
        {R"({"success":false,"message":"Quota reached","type":"limit"})",
         {{}, false, QStringLiteral("Quota reached"), QStringLiteral("limit")},
         {{}, false, QStringLiteral("Quota reached")}},
        {R"({"success":false,"message":null,"type":null})", {{}, false}, {{}, false}},
        {R"({"success":true,"type":false})", failed("type is not a string"), {{}, true}},
        {R"([{"success":true}])", failed("the answer is not a JSON object"), failed("the answer is not a JSON object")},
        {R"("success")", failed("the answer is not JSON (illegal value)"),
         failed("the answer is not JSON (illegal value)")},
        {R"({})", failed("success is missing"), failed("success is missing")},
        {R"({"message":"no"})", failed("success is missing"), failed("success is missing")},
        {R"({"success":null})", failed("success is null"), failed("success is null")},
        {R"({"success":1})", failed("success is not true or false"), failed("success is not true or false")},
        {R"({"success":"true"})", failed("success is not true or false"), failed("success is not true or false")},
        {R"({"success":true,"message":5})", failed("message is not a string"), failed("message is not a string")},
        {R"({"success":false,"message":["no"]})", failed("message is not a string"), failed("message is not a string")},
        {R"({"success":false,"message":{"text":"no"}})", failed("message is not a string"),
         failed("message is not a string")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(envelopeOf<SuccessResponse>(c.json), c.typed);
        EXPECT_EQ(envelopeOf<GetProjectsResponse>(c.json), c.typed);
        EXPECT_EQ(envelopeOf<MagicLinkSecondResponse>(c.json), c.typed);
        EXPECT_EQ(envelopeOf<CreateTaskResponse>(c.json), c.typed);
        EXPECT_EQ(envelopeOf<CreateDraftResponse>(c.json), c.typed);
        EXPECT_EQ(envelopeOf<GetUserTrayInfoResponse>(c.json), c.tray);
    }
}
