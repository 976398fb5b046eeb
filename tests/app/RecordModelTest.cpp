#include "app/state/RecordModel.h"
#include "app/state/Models.h"
#include "platform/CameraCapture.h"
#include "recording/VideoRecorderCore.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

namespace {
const bool kTestPaths = (QStandardPaths::setTestModeEnabled(true), true);

CaptureDevice mic(const QString &n) { return {QStringLiteral("mic-") + n, QStringLiteral("Microphone ") + n}; }
CaptureDevice cam(const QString &n) { return {QStringLiteral("cam-") + n, QStringLiteral("Camera ") + n}; }

struct RecordModelTest : ::testing::Test {
    QList<CaptureDevice> mics, cams;
    void SetUp() override {
        RecordModel::setDeviceSource({[this] { return mics; }, [this] { return cams; }});
    }
    void TearDown() override { RecordModel::setDeviceSource(RecordModel::defaultDeviceSource()); }
};
} // namespace

TEST_F(RecordModelTest, StartsWithTheDocumentedValues) {
    RecordModel m;
    EXPECT_FALSE(m.isRecording());
    EXPECT_FALSE(m.isPaused());
    EXPECT_TRUE(m.audioDevices().isEmpty());
    EXPECT_TRUE(m.videoDevices().isEmpty());
    EXPECT_FALSE(m.selectedAudioDevice());
    EXPECT_FALSE(m.selectedVideoDevice());
    EXPECT_FALSE(m.cameraEnabled() || m.microphoneEnabled() || m.cameraStreaming() || m.microphoneStreaming());
    EXPECT_FALSE(m.muteMicrophone() || m.muteCamera() || m.drawingMode());
    EXPECT_EQ(m.recordTime(), 0.0);
    EXPECT_EQ(m.powerMetter(), 0.0f);
    EXPECT_EQ(m.tool(), Tool::Pen);
    EXPECT_EQ(m.drawingTool(), nullptr);
    EXPECT_TRUE(m.drawedTools().isEmpty());
    EXPECT_EQ(m.canvasOpacity(), 0.0);
}

// Subscribers see every assignment, also of an equal value, for every field.
TEST_F(RecordModelTest, EveryPropertyAnnouncesEveryAssignment) {
    RecordModel m;
    const QMetaObject *meta = m.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        SCOPED_TRACE(property.name());
        ASSERT_TRUE(property.hasNotifySignal());
        QSignalSpy spy(&m, property.notifySignal());
        const QVariant value = property.read(&m);
        ASSERT_TRUE(property.write(&m, value));
        ASSERT_TRUE(property.write(&m, value));
        EXPECT_EQ(spy.count(), 2);
    }
}

TEST_F(RecordModelTest, DiscoveryChoosesTheFirstDeviceOnlyWhenNoneIsChosen) {
    RecordModel m;
    mics = {mic("a"), mic("b")};
    cams = {cam("a")};
    QSignalSpy chosen(&m, &RecordModel::selectedAudioDeviceChanged);
    m.updateAudioDevices();
    m.updateVideoDevices();
    // The result lands later, through the event loop.
    EXPECT_TRUE(m.audioDevices().isEmpty());
    QTRY_COMPARE(m.audioDevices().size(), 2);
    QTRY_COMPARE(m.videoDevices().size(), 1);
    EXPECT_EQ(m.selectedAudioDevice(), mic("a"));
    EXPECT_EQ(m.selectedVideoDevice(), cam("a"));

    // The chosen microphone is unplugged: the list follows, the choice stays.
    mics = {mic("b")};
    RecordModel::refreshDevices(&m);
    QTRY_COMPARE(m.audioDevices().size(), 1);
    EXPECT_EQ(m.selectedAudioDevice(), mic("a"));
    EXPECT_EQ(chosen.count(), 1);
}

TEST_F(RecordModelTest, DiscoveryWithoutDevicesAssignsNoneAgain) {
    RecordModel m;
    QSignalSpy chosen(&m, &RecordModel::selectedAudioDeviceChanged);
    m.updateAudioDevices();
    QTRY_COMPARE(chosen.count(), 1);
    EXPECT_FALSE(m.selectedAudioDevice());
    m.updateAudioDevices();
    QTRY_COMPARE(chosen.count(), 2);
}

TEST_F(RecordModelTest, RefreshOfAGoneModelDoesNothing) {
    auto *m = new RecordModel;
    m->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    RecordModel::refreshDevices(nullptr);
    SUCCEED();
}

// Picking another device while no session runs changes nothing but the choice.
TEST_F(RecordModelTest, ChoosingADeviceWithoutASessionStartsNothing) {
    RecordModel m;
    m.setSelectedVideoDevice(cam("b"));
    m.setSelectedAudioDevice(mic("b"));
    EXPECT_FALSE(m.cameraStreaming());
    EXPECT_FALSE(m.microphoneStreaming());
    EXPECT_FALSE(VideoRecorderCore::shared().cameraSessionRunning());
}

namespace {
struct FakeCamera final : CameraCapture {
    QStringList *started;
    bool running = false;
    explicit FakeCamera(QStringList *log) : started(log) {}
    bool start(const QString &deviceId, FrameHandler onFrame) override {
        started->append(deviceId);
        running = true;
        onFrame(QImage(4, 4, QImage::Format_RGB32));
        return true;
    }
    void stop() override { running = false; }
    bool isRunning() const override { return running; }
};
} // namespace

// The shared recorder restarts a running camera with the camera chosen now;
// subscribers see the session go down and come up again.
TEST_F(RecordModelTest, ChoosingAnotherCameraRestartsTheRunningSession) {
    RecordModel *shared = Models::shared().recordModel();
    VideoRecorderCore &core = VideoRecorderCore::shared();
    QStringList started;
    core.setCameraFactory([&started] { return std::make_unique<FakeCamera>(&started); });
    shared->setSelectedVideoDevice(cam("a"));
    QSignalSpy frames(&core, &VideoRecorderCore::cameraFrameChanged);
    ASSERT_FALSE(core.startCameraSession());
    EXPECT_TRUE(shared->cameraStreaming());
    EXPECT_EQ(frames.count(), 1);
    EXPECT_FALSE(core.lastCameraFrame().isNull());

    QList<bool> streaming;
    auto c = QObject::connect(shared, &RecordModel::cameraStreamingChanged,
                              [&] { streaming.append(shared->cameraStreaming()); });
    shared->setSelectedVideoDevice(cam("b"));
    EXPECT_EQ(started, (QStringList{QStringLiteral("cam-a"), QStringLiteral("cam-b")}));
    EXPECT_EQ(streaming, (QList<bool>{false, true}));
    QObject::disconnect(c);

    core.stopCameraSession();
    EXPECT_FALSE(shared->cameraStreaming());
    shared->setSelectedVideoDevice(cam("c"));
    EXPECT_EQ(started.size(), 2);
    core.setCameraFactory([] { return CameraCapture::createQt(); });
}
