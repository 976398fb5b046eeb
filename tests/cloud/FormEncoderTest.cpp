#include "cloud/FormEncoder.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace qn;

TEST(FormEncoder, FormatsDoublesShortestWithFractionAndExponentAtTheEdges) {
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {1440.0, "1440.0"},
        {12.5, "12.5"},
        {100.0 / 3.0, "33.333333333333336"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {25.0, "25.0"},
        {-2.5, "-2.5"},
        {0.1 + 0.2, "0.30000000000000004"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {-0.000015, "-1.5e-05"},
        {9007199254740992.0, "9007199254740992.0"}, // 2^53 itself stays plain
        {18014398509481984.0, "1.8014398509481984e+16"},
        {1e300, "1e+300"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormEncoder::formatDouble(c.value), QByteArray(c.text)) << c.text;
}

TEST(FormEncoder, EscapesEverythingButUnreservedSlashAndQuestionMark) {
    const struct {
        const char *text;
        const char *escaped;
    } cases[] = {
        {"a b", "a%20b"},
        {"1+1=2&3", "1%2B1%3D2%263"},
        {"/path?x", "/path?x"},
        {"AZaz09-._~", "AZaz09-._~"},
        {"points[][comment]", "points%5B%5D%5Bcomment%5D"},
        {"10:30", "10%3A30"},
        {"*'()!$,;@#%", "%2A%27%28%29%21%24%2C%3B%40%23%25"},
        {"é😀", "%C3%A9%F0%9F%98%80"},
        {"line\nbreak", "line%0Abreak"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormEncoder::escape(QString::fromUtf8(c.text)), QByteArray(c.escaped)) << c.text;
}

TEST(FormEncoder, ScalarsListsAndAbsentValues) {
    FormEncoder form;
    form.write(QStringLiteral("yes"), true);
    form.write(QStringLiteral("no"), false);
    form.write(QStringLiteral("count"), qint64(-42));
    form.writeIfPresent(QStringLiteral("missing"), std::optional<qint64>());
    form.writeList(QStringLiteral("tags"), {QStringLiteral("b"), QStringLiteral("a b")});
    form.writeList(QStringLiteral("empty"), {});
    EXPECT_EQ(form.body(), QByteArray("count=-42&no=0&tags%5B%5D=a%20b&tags%5B%5D=b&yes=1"));
}

TEST(FormEncoder, TaskBodyInByteOrderWithOptionalProject) {
    CreateTaskRequestParams task;
    task.authid = QStringLiteral("t+k/1");
    task.name = QStringLiteral("2024-05-06 07.08.09");
    task.projectid = 7;
    EXPECT_EQ(formBody(task),
              QByteArray("authid=t%2Bk/1&description=&fastLoad=1&name=2024-05-06%2007.08.09&projectid=7"));
    task.projectid.reset();
    EXPECT_EQ(formBody(task), QByteArray("authid=t%2Bk/1&description=&fastLoad=1&name=2024-05-06%2007.08.09"));
}

TEST(FormEncoder, DraftBodySortsKeysPointFieldsAndPointUnits) {
    UploadPoint beta{QStringLiteral("beta"), 3, 1, 11, 25.0, 10.0, 20.0, 10.0, {}};
    UploadPoint alpha{QStringLiteral("Alpha"), 4, 2, 11, 12.5, 50.0, 0.0, 0.0, {}};
    UploadPoint unnumbered{QStringLiteral("x y"), 1, std::nullopt, 10, 100.0 / 3.0, 1e-05, 2.0, 4.0, {}};
    CreateDraftRequestParams draft;
    draft.authid = QStringLiteral("tok");
    draft.width = 1440.0;
    draft.height = 900.5;
    draft.templateid = 77;
    draft.fileName = QStringLiteral("Shot 1.png");
    draft.file_data = QStringLiteral("data:image/png;base64,AB+/=");
    draft.points = {beta, alpha, unnumbered};

    const QByteArray p = "points%5B%5D%5B";
    const QByteArray expected =
        "authid=tok&fileName=Shot%201.png&file_data=data%3Aimage/png%3Bbase64%2CAB%2B/%3D&height=900.5&" +
        // colour 10 first; then the two colour-11 points by their comment text: "Alpha" < "beta"
        p + "color%5D=10&" + p + "comment%5D=x%20y&" + p + "height%5D=1e-05&" + p + "left%5D=2.0&" + p +
        "position%5D=1&" + p + "top%5D=4.0&" + p + "width%5D=33.333333333333336&" + p + "color%5D=11&" + p +
        "comment%5D=Alpha&" + p + "height%5D=50.0&" + p + "left%5D=0.0&" + p + "order%5D=2&" + p + "position%5D=4&" +
        p + "top%5D=0.0&" + p + "width%5D=12.5&" + p + "color%5D=11&" + p + "comment%5D=beta&" + p + "height%5D=10.0&" +
        p + "left%5D=20.0&" + p + "order%5D=1&" + p + "position%5D=3&" + p + "top%5D=10.0&" + p + "width%5D=25.0&" +
        "templateid=77&width=1440.0";
    EXPECT_EQ(formBody(draft), expected);
}

TEST(FormEncoder, DraftWithoutPointsOrProjectHasNoSuchKeys) {
    CreateDraftRequestParams draft;
    draft.authid = QStringLiteral("tok");
    draft.width = 10.0;
    draft.height = 20.0;
    draft.templateid = 5;
    draft.fileName = QStringLiteral("n");
    draft.file_data = QStringLiteral("d");
    EXPECT_EQ(formBody(draft), QByteArray("authid=tok&fileName=n&file_data=d&height=20.0&templateid=5&width=10.0"));
}

TEST(FormEncoder, PointArrowsWriteOnlyWhenPresent) {
    UploadPoint point{QStringLiteral("c"), 3, std::nullopt, 1, 0.0, 0.0, 0.0, 0.0, {QStringLiteral("a1")}};
    CreateDraftRequestParams draft;
    draft.fileName = QStringLiteral("n");
    draft.points = {point};
    EXPECT_TRUE(formBody(draft).contains("points%5B%5D%5Barrows%5D%5B%5D=a1&points%5B%5D%5Bcolor%5D=1&"));
}

TEST(FormEncoder, SignInPollBody) {
    EXPECT_EQ(formBody(MagicLinkSecondRequestParams{42, QStringLiteral("s e=d")}), QByteArray("id=42&seed=s%20e%3Dd"));
    EXPECT_EQ(formBody(AuthRequestParams{QStringLiteral("a&b")}), QByteArray("authid=a%26b"));
}
