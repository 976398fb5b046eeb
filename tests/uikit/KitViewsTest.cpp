#include "Render.h"
#include "uikit/ApplyIf.h"
#include "uikit/BundleInfo.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/EffectView.h"
#include "uikit/InvisibleScroller.h"
#include "uikit/MorvaneGroupBox.h"
#include "uikit/Placeholder.h"
#include "uikit/RoundedCorners.h"
#include "uikit/WindowBackground.h"

#include "BuildInfo.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

using namespace qn;
using test::blend;
using test::colorNear;

namespace {

TEST(Divider, FixedSidesKeepTheirSizeAndFreeSidesStretch) {
    struct Row {
        qreal width, height;
        QSize expected;  // in a 200 x 100 container with nothing else in it
        qreal lineWidth; // the filled width
    } rows[] = {
        {0, 0, QSize(200, 100), 200}, {0, 1, QSize(200, 1), 200},    {1, 0, QSize(1, 100), 1},
        {0.5, 0, QSize(1, 100), 0.5}, {-3, 0, QSize(200, 100), 200}, {std::nan(""), 0, QSize(200, 100), 200},
    };
    for (const Row &row : rows) {
        QWidget container;
        auto *layout = new QHBoxLayout(&container);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *divider = new Divider(Qt::red, row.width, row.height);
        layout->addWidget(divider);
        container.resize(200, 100);
        layout->activate();
        EXPECT_EQ(divider->size(), row.expected) << row.width << "x" << row.height;
        EXPECT_DOUBLE_EQ(divider->lineRect().width(), row.lineWidth);
    }
}

TEST(Divider, ColourChangesWhileSizesStayAsCreated) {
    Divider divider(Color::AppPlah::hex7C7C7COpacity30(), 0, 1);
    divider.resize(50, 1);
    EXPECT_TRUE(
        colorNear(test::render(divider).pixelColor(25, 0), blend(Color::AppPlah::hex7C7C7COpacity30(), Qt::white)));
    divider.setColor(Color::Button::hexE7E7E7());
    EXPECT_TRUE(colorNear(test::render(divider).pixelColor(25, 0), Color::Button::hexE7E7E7()));
    EXPECT_EQ(divider.fixedLineHeight(), 1);
    EXPECT_EQ(divider.height(), 1);
}

TEST(BundleInfo, TextsAreAbsentWhenMissingOrNotText) {
    const BundleInfo info(QVariantMap{{QStringLiteral("CFBundleExecutable"), QStringLiteral("Quillnest")},
                                      {QStringLiteral("CFBundleVersion"), 42}});
    EXPECT_EQ(info.appName(), QStringLiteral("Quillnest"));
    EXPECT_EQ(info.executableName(), info.appName());
    EXPECT_EQ(info.appVersion(), std::nullopt);
    EXPECT_EQ(info.buildNumber(), std::nullopt);
    EXPECT_EQ(info.infoString(QStringLiteral("NoSuchKey")), std::nullopt);
}

TEST(BundleInfo, TheProgramKnowsItsBuild) {
    const BundleInfo &main = BundleInfo::main();
    EXPECT_EQ(main.appName(), QStringLiteral("Quillnest"));
    EXPECT_EQ(main.appVersion(), QString::fromLatin1(build::kVersion));
    EXPECT_EQ(main.buildNumber(), QString::fromLatin1(build::kBuildNumber));
    EXPECT_FALSE(BundleInfo::appIcon().isNull());
    EXPECT_FALSE(BundleInfo::appIcon().pixmap(32, 32).isNull());
}

TEST(ApplyIf, TransformsOnlyWhenTheConditionHolds) {
    int calls = 0;
    auto twice = [&calls](int v) {
        ++calls;
        return v * 2;
    };
    EXPECT_EQ(applyIf(false, 21, twice), 21);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(applyIf(true, 21, twice), 42);
    EXPECT_EQ(calls, 1);
}

TEST(EffectView, AppearanceFollowsThePolicy) {
    struct Row {
        EffectViewType policy;
        ColorScheme scheme;
        ColorScheme appearance;
    } rows[] = {{EffectViewType::LightDark, ColorScheme::Light, ColorScheme::Light},
                {EffectViewType::LightDark, ColorScheme::Dark, ColorScheme::Dark},
                {EffectViewType::Light, ColorScheme::Dark, ColorScheme::Light},
                {EffectViewType::Dark, ColorScheme::Light, ColorScheme::Dark}};
    for (const Row &row : rows) {
        MorvaneEffectView view(EffectMaterial::FullScreenUI, EffectBlendingMode::BehindWindow, row.policy, row.scheme);
        EXPECT_EQ(view.appearance(), row.appearance);
    }
    MorvaneEffectView view(EffectMaterial::FullScreenUI, EffectBlendingMode::BehindWindow, EffectViewType::LightDark,
                           ColorScheme::Light);
    view.setColorScheme(ColorScheme::Dark);
    EXPECT_EQ(view.appearance(), ColorScheme::Dark);
}

TEST(EffectView, TheMaterialIsOpaqueUnlessTheWindowLetsTheDesktopThrough) {
    MorvaneEffectView opaque(EffectMaterial::Popover, EffectBlendingMode::BehindWindow, EffectViewType::Light,
                             ColorScheme::Light);
    EXPECT_EQ(opaque.fillColor().alpha(), 255);
    MorvaneEffectView within(EffectMaterial::Popover, EffectBlendingMode::WithinWindow, EffectViewType::Light,
                             ColorScheme::Light);
    EXPECT_LT(within.fillColor().alpha(), 255);
    QWidget translucentWindow;
    translucentWindow.setAttribute(Qt::WA_TranslucentBackground);
    auto *behind = new MorvaneEffectView(EffectMaterial::Popover, EffectBlendingMode::BehindWindow,
                                         EffectViewType::Light, ColorScheme::Light, &translucentWindow);
    EXPECT_LT(behind->fillColor().alpha(), 255);
    EXPECT_GT(MorvaneEffectView::materialColor(EffectMaterial::FullScreenUI, ColorScheme::Light, false).lightness(),
              MorvaneEffectView::materialColor(EffectMaterial::FullScreenUI, ColorScheme::Dark, false).lightness());
}

TEST(WindowBackground, LaysItsVeilOverTheMaterial) {
    struct Row {
        ColorScheme scheme;
        QColor veil;
    } rows[] = {{ColorScheme::Light, Color::AppPlah::hexF2F2F2Opacity50()},
                {ColorScheme::Dark, Color::AppPlah::hex000000Opacity40()}};
    for (const Row &row : rows) {
        WindowBackground background(row.scheme);
        background.resize(40, 40);
        EXPECT_EQ(background.veilColor(), row.veil);
        const QColor material = MorvaneEffectView::materialColor(EffectMaterial::FullScreenUI, row.scheme, false);
        EXPECT_TRUE(colorNear(test::render(background).pixelColor(20, 20), blend(row.veil, material)));
    }
}

TEST(GroupBox, LabelBandContentAndMarginsOnAGreyCard) {
    auto *content = new QWidget;
    content->setFixedHeight(100);
    MorvaneGroupBox box(QStringLiteral("Shortcuts"), content);
    box.resize(300, box.sizeHint().height());
    box.layout()->activate();
    // 7 + at least 21 + 7 of label band, then the content, then 10.
    EXPECT_GE(content->y(), 35);
    EXPECT_EQ(content->x(), 10);
    EXPECT_EQ(content->width(), 280);
    EXPECT_EQ(box.height() - content->geometry().bottom() - 1, 10);
    EXPECT_GE(box.label()->height(), 21);

    const QImage image = test::render(box, Qt::white);
    EXPECT_TRUE(colorNear(image.pixelColor(150, 20), Color::Button::hexF2F2F2(), 1));
    // Rounded corners leave the corner pixel to what lies behind.
    EXPECT_TRUE(colorNear(image.pixelColor(0, 0), Qt::white, 10));
    // Only the inner half of the hairline shows: the edge is a shade between card and #DBDBDB.
    const QColor edge = image.pixelColor(150, 0);
    EXPECT_LT(edge.red(), 0xF2);
    EXPECT_GT(edge.red(), 0xDB);
}

TEST(GroupBox, WithoutALabelTheContentStartsAtTheTop) {
    auto *content = new QWidget;
    content->setFixedHeight(40);
    MorvaneGroupBox box(QString(), content);
    box.setContentMargins(QMargins(0, 0, 0, 0));
    box.resize(200, box.sizeHint().height());
    box.layout()->activate();
    EXPECT_EQ(box.label(), nullptr);
    EXPECT_EQ(content->geometry(), QRect(0, 0, 200, 40));
}

TEST(RoundedCorners, OnlyTheChosenCornersAreRounded) {
    EXPECT_EQ(static_cast<int>(RectCorners(RectCorner::topLeft | RectCorner::bottomRight)), 5);
    EXPECT_EQ(static_cast<int>(RectCorners()), 0);
    for (RectCorner c : {RectCorner::topLeft, RectCorner::topRight, RectCorner::bottomRight, RectCorner::bottomLeft})
        EXPECT_TRUE(RectCorners(RectCorner::allCorners).testFlag(c));

    const QPainterPath path = roundedCornersPath(QRectF(0, 0, 100, 50), 10, RectCorner::topLeft);
    EXPECT_FALSE(path.contains(QPointF(1, 1)));
    EXPECT_TRUE(path.contains(QPointF(5, 5)));
    EXPECT_TRUE(path.contains(QPointF(99.5, 0.5)));
    EXPECT_TRUE(path.contains(QPointF(99.5, 49.5)));
    EXPECT_TRUE(path.contains(QPointF(0.5, 49.5)));
    // The arc is a quarter circle of radius 10 about (10, 10).
    EXPECT_TRUE(path.contains(QPointF(10 - 9.5 * std::cos(M_PI / 4), 10 - 9.5 * std::sin(M_PI / 4))));
    EXPECT_FALSE(path.contains(QPointF(10 - 10.5 * std::cos(M_PI / 4), 10 - 10.5 * std::sin(M_PI / 4))));

    const QPainterPath none = roundedCornersPath(QRectF(0, 0, 100, 50), 10, {});
    EXPECT_EQ(none.boundingRect(), QRectF(0, 0, 100, 50));
    EXPECT_TRUE(none.contains(QPointF(0.5, 0.5)));
    // A radius larger than the rectangle allows is kept to half its shorter side.
    EXPECT_TRUE(roundedCornersPath(QRectF(0, 0, 100, 50), 500, RectCorner::allCorners).contains(QPointF(50, 25)));
}

TEST(RoundedCorners, AWidgetIsClippedToTheOutlineAsItResizes) {
    QWidget w;
    w.resize(100, 50);
    setCornerRadius(&w, 10, RectCorner::topRight);
    EXPECT_FALSE(w.mask().contains(QPoint(99, 0)));
    EXPECT_TRUE(w.mask().contains(QPoint(0, 0)));
    w.resize(200, 50);
    QTest::qWait(0);
    w.show();
    EXPECT_FALSE(w.mask().contains(QPoint(199, 0)));
    EXPECT_TRUE(w.mask().contains(QPoint(150, 0)));
}

TEST(InvisibleScroller, TheAreaScrollsWithoutShowingBars) {
    QScrollArea area;
    auto *tall = new QWidget;
    tall->setFixedSize(100, 2000);
    area.setWidget(tall);
    area.resize(120, 200);
    InvisibleScroller::applyTo(&area);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_FALSE(area.verticalScrollBar()->isVisible());
    EXPECT_EQ(area.viewport()->width(), area.width() - 2 * area.frameWidth());
    QWheelEvent wheel(QPointF(50, 50), area.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area.viewport(), &wheel);
    EXPECT_GT(area.verticalScrollBar()->value(), 0);
}

TEST(Placeholder, ShowsOnlyWhileAskedAndNeverTakesClicks) {
    QWidget target;
    target.resize(200, 100);
    auto *hint = new QLabel(QStringLiteral("Nothing yet"));
    PlaceholderOverlay *overlay = placeholder(&target, true, Qt::AlignCenter, hint);
    target.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_NEAR(hint->geometry().center().x(), 100, 1);
    EXPECT_NEAR(hint->geometry().center().y(), 50, 1);
    EXPECT_EQ(target.childAt(target.rect().center()), nullptr);
    overlay->setShown(false);
    EXPECT_FALSE(hint->isVisible());
    target.resize(400, 100);
    QTest::qWait(0);
    overlay->setShown(true);
    EXPECT_NEAR(hint->geometry().center().x(), 200, 1);
}

} // namespace
