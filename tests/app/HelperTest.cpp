#include "app/state/Helper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qn;

TEST(HelperFileName, ApplicationNameAndCaptureTime) {
    const QDateTime t(QDate(2026, 12, 9), QTime(15, 31, 4));
    struct Case {
        std::optional<QString> application;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("Web"), QStringLiteral("Web 2026-12-09 15.31.04")},
        {std::nullopt, QStringLiteral("Screenshot 2026-12-09 15.31.04")},
        {QStringLiteral(""), QStringLiteral("Screenshot 2026-12-09 15.31.04")},
        {QStringLiteral("  "), QStringLiteral("Screenshot 2026-12-09 15.31.04")},
        {QStringLiteral("AC/DC Player"), QStringLiteral("AC-DC Player 2026-12-09 15.31.04")},
        {QStringLiteral("../../etc"), QStringLiteral("..-..-etc 2026-12-09 15.31.04")},
        {QStringLiteral("Evil\nName\x01"), QStringLiteral("Evil-Name- 2026-12-09 15.31.04")},
        {QStringLiteral("Café Été"), QStringLiteral("Café Été 2026-12-09 15.31.04")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Helper::fileName(c.application, QStringLiteral("Screenshot"), t), c.expected);
    // Hours always on the 24-hour clock; two names in the same second are equal.
    const QDateTime evening(QDate(2026, 1, 2), QTime(21, 5, 9));
    EXPECT_EQ(Helper::fileName({}, QStringLiteral("Video"), evening), QStringLiteral("Video 2026-01-02 21.05.09"));
    EXPECT_EQ(Helper::fileName({}, QStringLiteral("Video"), evening),
              Helper::fileName({}, QStringLiteral("Video"), evening));
}

TEST(HelperTempFolder, PrivateFolderOfTheUser) {
    QTemporaryDir tmp;
    const QString expected = tmp.filePath(QStringLiteral("Quillnest-") + QString::number(::geteuid()));
    EXPECT_EQ(Helper::tempFolderIn(tmp.path()), expected);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(expected).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Asking again finds the same folder.
    EXPECT_EQ(Helper::tempFolderIn(tmp.path()), expected);
}

TEST(HelperTempFolder, OpenFolderOfOursIsClosedUp) {
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("Quillnest-") + QString::number(::geteuid()));
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0777), 0);
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    EXPECT_EQ(Helper::tempFolderIn(tmp.path()), folder);
    struct stat st {};
    ::lstat(QFile::encodeName(folder).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(HelperTempFolder, SomethingElseInItsPlaceFallsBackToTheTemporaryDirectory) {
    for (const char *kind : {"file", "symlink"}) {
        QTemporaryDir tmp;
        QTemporaryDir elsewhere;
        const QString folder = tmp.filePath(QStringLiteral("Quillnest-") + QString::number(::geteuid()));
        if (QLatin1String(kind) == QLatin1String("file"))
            QFile(folder).open(QIODevice::WriteOnly);
        else
            ASSERT_TRUE(QFile::link(elsewhere.path(), folder));
        EXPECT_EQ(Helper::tempFolderIn(tmp.path()), tmp.path()) << kind;
    }
}

TEST(HelperTempFolder, VideoFileIsAMovInTheFolder) {
    const QString url = Helper::videoFileURL();
    EXPECT_TRUE(url.endsWith(QStringLiteral(".mov")));
    EXPECT_TRUE(url.startsWith(Helper::tempFolder() + QLatin1Char('/')));
}

namespace {
struct Placement {
    QRectF crop;
    QRectF bounds;
    QPointF expected;
    const char *what;
};
const QRectF kScreen(0, 0, 1440, 900);
} // namespace

TEST(HelperPlacement, ActionBar) {
    const Placement cases[] = {
        {QRectF(), kScreen, {0, 0}, "no crop area"},
        {QRectF(100, 100, 100, 100), kScreen, {16, 216}, "narrow crop at the left: pinned to the left edge, below"},
        {QRectF(600, 100, 400, 300), kScreen, {465, 416}, "below, right-aligned with the crop"},
        {QRectF(1000, 100, 440, 300), kScreen, {889, 416}, "crop at the right edge: pinned to the right"},
        {QRectF(600, 500, 400, 390), kScreen, {465, 436}, "no room below: above"},
        {QRectF(0, 0, 1440, 900), kScreen, {889, 836}, "crop covers the screen: bottom of the screen"},
        {QRectF(100, 0, 500, 900), kScreen, {680, 852}, "full height: right of the crop, beyond the column"},
        {QRectF(640, 0, 700, 900), kScreen, {89, 836}, "full height, room left: left of the crop"},
        {QRectF(700, 0, 700, 900), kScreen, {85, 836}, "full height near the right edge: left, beyond the column"},
        {QRectF(2020, 100, 100, 100), QRectF(1920, 0, 1440, 900), {1936, 216}, "second screen: margin from its edge"},
    };
    for (const Placement &c : cases)
        EXPECT_EQ(Helper::bottomMenuPosition(c.crop, c.bounds), c.expected) << c.what;
}

TEST(HelperPlacement, ToolColumn) {
    const Placement cases[] = {
        {QRectF(), kScreen, {0, 0}, "no crop area"},
        {QRectF(600, 100, 400, 300), kScreen, {1016, 25}, "right of the crop, bottoms aligned"},
        {QRectF(100, 100, 100, 100), kScreen, {567, 16}, "bar pinned left, crop near the top"},
        {QRectF(100, 500, 100, 100), kScreen, {216, 225}, "bar pinned left, room beside the crop"},
        {QRectF(100, 780, 100, 100), kScreen, {567, 505}, "bar pinned left, short crop at the bottom"},
        {QRectF(1000, 100, 420, 600), kScreen, {936, 325}, "no room right: left of the crop"},
        {QRectF(1000, 780, 420, 100), kScreen, {821, 505}, "no room right, short crop at the bottom: left of the bar"},
        {QRectF(50, 50, 1340, 300), kScreen, {1342, 430}, "wide crop: under the bar under the crop"},
        {QRectF(50, 500, 1340, 390), kScreen, {1342, 45}, "wide crop at the bottom: over the bar over the crop"},
        {QRectF(50, 420, 1340, 380), kScreen, {1342, 29}, "wide crop: directly over it"},
        {QRectF(0, 0, 1440, 900), kScreen, {1376, 445}, "crop covers the screen: lifted by 64"},
        {QRectF(2020, 100, 100, 100), QRectF(1920, 0, 1440, 900), {2487, 16}, "second screen to the right"},
        {QRectF(100, 1180, 100, 100), QRectF(0, 1080, 1440, 900), {567, 1096}, "second screen below"},
    };
    for (const Placement &c : cases)
        EXPECT_EQ(Helper::controlsMenuPosition(c.crop, c.bounds), c.expected) << c.what;
}

TEST(HelperPlacement, OutsideTheRecordedArea) {
    // Two screens as the e2e display has them: the second one right of and lower
    // than the first.
    const QRect a(0, 0, 1920, 1080), b(1920, 200, 1280, 1024);
    const QSize bar(170, 299);
    struct Case {
        QRect wanted, crop, cropScreen;
        QList<QRect> screens;
        std::optional<QRect> expected;
        const char *what;
    };
    const Case cases[] = {
        {{{1000, 100}, bar}, {100, 100, 600, 400}, a, {a, b}, QRect({1000, 100}, bar), "already clear: stays"},
        {{{1300, 500}, bar}, {100, 100, 1400, 800}, a, {a, b}, QRect({1516, 500}, bar), "right of the crop"},
        {{{300, 500}, bar}, {300, 100, 1620, 800}, a, {a, b}, QRect({114, 500}, bar), "left of the crop"},
        {{{800, 300}, bar}, {0, 0, 1920, 700}, a, {a}, QRect({800, 716}, bar), "below, on one screen"},
        {{{800, 300}, bar},
         {0, 300, 1920, 780},
         a,
         {a},
         QRect({800, 0}, bar),
         "above: closer than the margin rather than inside"},
        {{{1700, 700}, bar}, a, a, {a, b}, QRect({1936, 390}, bar), "whole screen: the other screen's near side"},
        {{{2500, 700}, bar}, b, b, {a, b}, QRect({1734, 562}, bar), "whole second screen: the first one"},
        {{{1700, 700}, bar}, a, a, {a}, std::nullopt, "one screen, cropped whole: nowhere"},
        {{{1700, 700}, bar}, a, a, {a, QRect(1920, 0, 100, 100)}, std::nullopt, "the other screen is too small"},
        {{{1700, 700}, bar}, QRect(), a, {a}, QRect({1700, 700}, bar), "no crop area: stays"},
    };
    for (const Case &c : cases) {
        const auto got = Helper::outsideRecorded(c.wanted, c.crop, c.cropScreen, c.screens);
        EXPECT_EQ(got, c.expected) << c.what;
        if (got && !c.crop.isEmpty())
            EXPECT_FALSE(got->intersects(c.crop)) << c.what;
    }
}
