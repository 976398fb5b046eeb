#include "annotation/DrawViewModel.h"
#include "app/state/RecordModel.h"
#include "recording/RecorderSettings.h"
#include "recording/VideoRecorderOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(RecorderOptionsTest, CardIsCentredOnTheCropAndHiddenWhileDragging) {
    using W = VideoRecorderOprionsWrapper;
    struct Case {
        QRectF crop, temp;
        QRect frame;
        bool visible;
    };
    const Case cases[] = {
        {QRectF(), QRectF(), QRect(-82, -59, 164, 118), false},
        {QRectF(), QRectF(100, 100, 400, 200), QRect(218, 141, 164, 118), false},
        {QRectF(100, 100, 400, 200), QRectF(0, 0, 50, 50), QRect(218, 141, 164, 118), true},
        // Smaller than the card: centred, reaching past the edges.
        {QRectF(10, 10, 100, 60), QRectF(), QRect(-22, -19, 164, 118), true},
    };
    for (const Case &c : cases) {
        const W::Placement p = W::placement(c.crop, c.temp);
        EXPECT_EQ(p.frame, c.frame);
        EXPECT_EQ(p.visible, c.visible);
    }
    EXPECT_EQ(VideoRecorderOptions::optionsForeground(ColorScheme::Light).name(), QStringLiteral("#282828"));
    EXPECT_EQ(VideoRecorderOptions::optionsForeground(ColorScheme::Dark).name(), QStringLiteral("#c5c5c5"));
    EXPECT_EQ(VideoRecorderOptions::popoverBackground(ColorScheme::Light).name(), QStringLiteral("#f6f6f6"));
    EXPECT_EQ(VideoRecorderOptions::popoverBackground(ColorScheme::Dark).name(), QStringLiteral("#313131"));
}

TEST(RecorderOptionsTest, SettingsListFollowAndChooseDevices) {
    RecordModel model;
    const CaptureDevice a{QStringLiteral("a"), QStringLiteral("Sine source")};
    const CaptureDevice b{QStringLiteral("b"), QStringLiteral("Monitor")};
    const CaptureDevice b2{QStringLiteral("b2"), QStringLiteral("Monitor")};
    model.setAudioDevices({a, b, b2});
    model.setSelectedAudioDevice(a);
    RecorderSettings panel(&model, nullptr);
    QStringList calls;
    QObject::connect(&panel, &RecorderSettings::cameraSwitched,
                     [&](bool on) { calls << (on ? "startCamera" : "stopCamera"); });
    QObject::connect(&panel, &RecorderSettings::microphoneSwitched,
                     [&](bool on) { calls << (on ? "startMicrophone" : "stopMicrophone"); });

    QComboBox *mics = panel.microphoneChooser();
    ASSERT_EQ(mics->count(), 2); // devices of one name share one entry
    EXPECT_EQ(mics->currentText(), QStringLiteral("Sine source"));
    EXPECT_EQ(panel.cameraChooser()->count(), 0);
    EXPECT_EQ(panel.cameraChooser()->currentIndex(), -1);

    // Choosing a name writes the first device of that name, on the next turn.
    QSignalSpy chosen(&model, &RecordModel::selectedAudioDeviceChanged);
    mics->setCurrentIndex(1);
    Q_EMIT mics->activated(1);
    EXPECT_EQ(chosen.count(), 0);
    QTRY_COMPARE(chosen.count(), 1);
    EXPECT_EQ(model.selectedAudioDevice(), b);
    // Choosing the one already chosen writes nothing.
    Q_EMIT mics->activated(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen.count(), 1);

    // A chosen device that left the list stays chosen and shows no choice.
    model.setAudioDevices({a});
    EXPECT_EQ(mics->currentIndex(), -1);
    EXPECT_EQ(model.selectedAudioDevice(), b);

    // The switches write the recording state and start or stop the sessions.
    panel.cameraSwitch()->setChecked(true);
    EXPECT_TRUE(model.cameraEnabled());
    panel.microphoneSwitch()->setChecked(true);
    panel.microphoneSwitch()->setChecked(false);
    EXPECT_FALSE(model.microphoneEnabled());
    EXPECT_EQ(calls, (QStringList{"startCamera", "startMicrophone", "stopMicrophone"}));
    // And they follow the state set elsewhere.
    model.setCameraEnabled(false);
    EXPECT_FALSE(panel.cameraSwitch()->isChecked());
}

TEST(RecorderOptionsTest, OptionsButtonOpensAndClosesTheSettings) {
    RecordModel model;
    QWidget host;
    host.resize(800, 600);
    VideoRecorderOptions card(
        ColorScheme::Light, [&] { return new RecorderSettings(&model, nullptr); }, &host);
    card.move(300, 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::mouseClick(card.optionsButton(), Qt::LeftButton);
    EXPECT_TRUE(card.showSettings());
    QTest::mouseClick(card.optionsButton(), Qt::LeftButton);
    EXPECT_FALSE(card.showSettings());
}
