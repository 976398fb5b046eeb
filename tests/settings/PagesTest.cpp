#include "settings/AppearanceSettings.h"
#include "settings/CustomLogo.h"
#include "settings/FormRow.h"
#include "settings/Switch.h"

#include "app/state/SettingsModel.h"
#include "platform/JsonText.h"
#include "support/TempPreferences.h"
#include "tests/app/SandboxHome.h"
#include "uikit/Color.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(FormRow, CardColoursFollowTheScheme) {
    EXPECT_EQ(FormRow::cardFill(ColorScheme::Light), QColor(0xF2, 0xF2, 0xF2));
    EXPECT_EQ(FormRow::cardBorder(ColorScheme::Light), QColor(0xDB, 0xDB, 0xDB));
    EXPECT_EQ(FormRow::cardFill(ColorScheme::Dark), QColor(0x37, 0x37, 0x37));
    EXPECT_EQ(FormRow::cardBorder(ColorScheme::Dark), Color::Settings::hexF6F6F6Opacity10());

    // An empty description still leaves the row its minimum height; a plain row adds no card.
    FormRow card(QStringLiteral("Sound notifications"), Qt::AlignVCenter, nullptr, new Switch());
    FormRow plain(QStringLiteral("Plain"), Qt::AlignTop, nullptr, new Switch(), FormRow::Look::Plain);
    EXPECT_GE(card.minimumSizeHint().height(), FormRow::kMinimumHeight + 2 * FormRow::kPadding);
    EXPECT_GE(plain.minimumSizeHint().height(), FormRow::kMinimumHeight);
    card.resize(400, 40);
    const QImage image = card.grab().toImage();
    EXPECT_EQ(image.pixelColor(200, 20), FormRow::cardFill(ColorScheme::Light));
}

TEST(AppearanceSettings, RefusedFilesWarnAndKeepTheLogoAGoodOneIsStored) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    AppearanceSettings page(model);
    QTemporaryDir dir;

    QFile text(dir.filePath(QStringLiteral("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("text");
    text.close();
    page.applyChosenLogo(text.fileName());
    EXPECT_EQ(page.warning(), AppearanceSettings::Warning::NotAnImage);
    EXPECT_FALSE(model.logo());

    QImage big(161, 10, QImage::Format_ARGB32);
    big.fill(Qt::red);
    ASSERT_TRUE(big.save(dir.filePath(QStringLiteral("big.png"))));
    page.applyChosenLogo(dir.filePath(QStringLiteral("big.png")));
    EXPECT_EQ(page.warning(), AppearanceSettings::Warning::TooLarge);
    EXPECT_FALSE(model.logo());

    page.applyChosenLogo(std::nullopt); // cancelled: nothing happens
    EXPECT_FALSE(model.logo());

    QImage good(64, 32, QImage::Format_ARGB32);
    good.fill(Qt::blue);
    ASSERT_TRUE(good.save(dir.filePath(QStringLiteral("good.jpg")), "JPEG"));
    page.applyChosenLogo(dir.filePath(QStringLiteral("good.jpg")));
    ASSERT_TRUE(model.logo());
    // Kept in the user's data folder, not in a temporary one.
    EXPECT_EQ(*model.logo(), CustomLogo::filePath());
    EXPECT_TRUE(model.logo()->startsWith(QDir::homePath() + QStringLiteral("/.local/share/")));
    EXPECT_EQ(prefs.store().data(QStringLiteral("logo")), json::encodeOptionalString(model.logo()));
    const auto loaded = page.loadLogoImage();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size(), QSize(64, 32));

    // Deleting forgets the path and leaves the file.
    const QString kept = *model.logo();
    page.deleteLogo();
    EXPECT_FALSE(model.logo());
    EXPECT_TRUE(QFile::exists(kept));
}

TEST(AppearanceSettings, ALogoThatVanishedIsForgottenWhenThePageLoadsIt) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone.png"));
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(path));
    model.setLogo(path);
    QFile::remove(path);
    AppearanceSettings page(model);
    EXPECT_FALSE(page.loadLogoImage());
    // Cleared on the next turn of the event loop, and stored as null.
    QTRY_VERIFY(!model.logo().has_value());
    EXPECT_EQ(prefs.store().data(QStringLiteral("logo")), QByteArray("null"));
}

// The logo dialog opens over whichever window holds the page, and is modal to it only.
TEST(AppearanceSettings, TheLogoDialogOpensOverTheWindowThatHoldsThePage) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    QWidget holder;
    auto *page = new AppearanceSettings(model, &holder);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    page->browseLogo();
    auto *dialog = holder.findChild<QFileDialog *>(QStringLiteral("logoDialog"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->parentWidget(), &holder);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    dialog->reject();
}
