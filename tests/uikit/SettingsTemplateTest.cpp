#include "uikit/SettingsTemplate.h"
#include "Render.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/EffectView.h"
#include "uikit/KitLabel.h"
#include "uikit/SidebarRow.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qn;
using test::blend;
using test::colorNear;

namespace {

struct Menu {
    QWidget *widget = new QWidget;
    QList<SidebarRow *> rows;
    explicit Menu(int active) {
        auto *layout = new QVBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        const QStringList titles = {QStringLiteral("Account"), QStringLiteral("Appearance"), QStringLiteral("About")};
        for (int i = 0; i < titles.size(); ++i) {
            rows << new SidebarRow(titles[i], i == active);
            layout->addWidget(rows.last());
        }
    }
};

class SettingsTemplateLayout : public ::testing::Test {
protected:
    void build(ColorScheme scheme, const QString &label, int width) {
        Menu menu(1);
        rows = menu.rows;
        content = new QWidget;
        view = std::make_unique<SettingsTemplate>(scheme, label, menu.widget, content);
        view->resize(width, 468);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    // A child's rectangle in the template's coordinates.
    QRect inView(QWidget *w) const { return QRect(w->mapTo(view.get(), QPoint(0, 0)), w->size()); }

    std::unique_ptr<SettingsTemplate> view;
    QList<SidebarRow *> rows;
    QWidget *content = nullptr;
};

TEST_F(SettingsTemplateLayout, NaturalSizeIsASidebarOf182AndContentOf534) {
    build(ColorScheme::Light, QStringLiteral("Quillnest"), 716);
    EXPECT_EQ(view->sizeHint().width(), 716);
    EXPECT_EQ(view->sidebarRect(), QRect(0, 0, 182, 468));
    EXPECT_EQ(inView(content), QRect(182, 0, 534, 468));
    EXPECT_EQ(inView(view->iconView()), QRect(17, 33, 32, 32));
    const QRect header = inView(view->header());
    EXPECT_EQ(header.topLeft(), QPoint(20, 33 + 32 + 7));
    const QRect rule = inView(view->rule());
    EXPECT_EQ(rule, QRect(20, header.bottom() + 1 + 10, 142, 1));
    // Rows fill the menu's width less 6 on each side, 28 high, below the rule.
    EXPECT_EQ(inView(rows[0]), QRect(6, rule.bottom() + 1 + 10, 170, 28));
    EXPECT_EQ(inView(rows[1]).top(), inView(rows[0]).bottom() + 1);
}

TEST_F(SettingsTemplateLayout, AnEmptyHeaderStillKeepsItsPaddings) {
    build(ColorScheme::Light, QString(), 716);
    EXPECT_EQ(inView(view->rule()).top(), 33 + 32 + 7 + 10);
}

TEST_F(SettingsTemplateLayout, ExtraWidthIsSharedWithTheFixedStacksAtTheTop) {
    build(ColorScheme::Light, QStringLiteral("Quillnest"), 1000);
    const int extra = 1000 - 716;
    EXPECT_EQ(view->sidebarRect().width(), 182 + extra / 2);
    const int stackLeft = (182 + extra / 2 - 182) / 2;
    EXPECT_EQ(inView(view->iconView()).topLeft(), QPoint(stackLeft + 17, 33));
    EXPECT_EQ(inView(content), QRect(182 + extra / 2, 0, 534, 468));
    const QImage image = test::render(*view);
    EXPECT_TRUE(colorNear(image.pixelColor(990, 460), Color::Gray::hexF6F6F6(), 1));
}

TEST_F(SettingsTemplateLayout, PaintsTheSidebarBackdropTheRuleAndTheContentColumn) {
    struct Row {
        ColorScheme scheme;
        QColor veil;
    } schemes[] = {{ColorScheme::Light, Color::AppPlah::hexF2F2F2Opacity50()},
                   {ColorScheme::Dark, Color::AppPlah::hex000000Opacity40()}};
    for (const Row &row : schemes) {
        build(row.scheme, QStringLiteral("Quillnest"), 716);
        const QImage image = test::render(*view);
        const QColor backdrop =
            blend(row.veil, MorvaneEffectView::materialColor(EffectMaterial::FullScreenUI, row.scheme, false));
        EXPECT_TRUE(colorNear(image.pixelColor(90, 400), backdrop, 2));
        EXPECT_TRUE(colorNear(image.pixelColor(400, 400), Color::Gray::hexF6F6F6(), 1));
        const QRect rule = inView(view->rule());
        EXPECT_TRUE(
            colorNear(image.pixelColor(rule.center()), blend(Color::AppPlah::hex7C7C7COpacity30(), backdrop), 2));
        // The window itself is light whatever the sidebar draws.
        EXPECT_EQ(environmentColorScheme(content), ColorScheme::Light);
        // The active row carries its 10 % fill; an inactive one does not.
        const QRect active = inView(rows[1]);
        EXPECT_TRUE(colorNear(image.pixelColor(active.right() - 4, active.center().y()),
                              blend(Color::Settings::hex282828Opacity10(), backdrop), 2));
        const QRect inactive = inView(rows[0]);
        EXPECT_TRUE(colorNear(image.pixelColor(inactive.right() - 4, inactive.center().y()), backdrop, 2));
    }
}

TEST_F(SettingsTemplateLayout, ReplacingTheContentDeletesThePreviousPage) {
    build(ColorScheme::Light, QStringLiteral("Quillnest"), 716);
    QPointer<QWidget> old = content;
    auto *next = new QLabel(QStringLiteral("About"));
    view->setContent(next);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(view->content(), next);
    EXPECT_EQ(inView(next), QRect(182, 0, 534, 468));
}

TEST(SidebarRow, TheWholeRowTakesClicksAndTheTextSitsAt14) {
    SidebarRow row(QStringLiteral("Hotkeys"));
    row.resize(170, 28);
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    QSignalSpy clicked(&row, &SidebarRow::clicked);
    QTest::mouseClick(&row, Qt::LeftButton, Qt::NoModifier, QPoint(160, 14));
    QTest::mouseClick(&row, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(row.height(), 28);
    EXPECT_EQ(row.fillColor(), QColor(Qt::transparent));
    row.setActive(true);
    EXPECT_EQ(row.fillColor(), Color::Settings::hex282828Opacity10());

    const QImage image = test::render(row, Qt::white);
    const QRect ink = test::inkBounds(image, QRect(0, 4, 170, 20), image.pixelColor(160, 14), 60);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.left(), 14, 1.5);
    EXPECT_NEAR(ink.center().y(), 14, 2);
}

} // namespace
