#include "recording/TestCamera.h"

#include "app/state/RecordModel.h"
#include "platform/CameraCapture.h"
#include "recording/VideoRecorderCore.h"

#include <QPainter>
#include <QTimer>

namespace qn {

namespace {
const CaptureDevice kDevice{QStringLiteral("quillnest-test-camera"), QStringLiteral("Test pattern camera")};

// Bright halves and a moving bar, so a picture can be told from an empty bubble.
class PatternCamera : public CameraCapture {
public:
    bool start(const QString &deviceId, FrameHandler onFrame) override {
        if (deviceId != kDevice.id)
            return false;
        m_handler = std::move(onFrame);
        m_timer = std::make_unique<QTimer>();
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { frame(); });
        m_timer->start(66);
        frame();
        return true;
    }
    void stop() override { m_timer.reset(); }
    bool isRunning() const override { return m_timer != nullptr; }

private:
    void frame() {
        QImage image(320, 180, QImage::Format_RGB32);
        image.fill(QColor(0, 90, 255));
        QPainter p(&image);
        p.fillRect(QRect(160, 0, 160, 180), QColor(255, 150, 0));
        p.fillRect(QRect(m_step % 320, 80, 20, 20), Qt::white);
        m_step += 8;
        if (m_handler)
            m_handler(image);
    }
    FrameHandler m_handler;
    std::unique_ptr<QTimer> m_timer;
    int m_step = 0;
};
} // namespace

void installTestCamera() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    RecordModel::DeviceSource source = RecordModel::defaultDeviceSource();
    const auto audio = source.audioInputs;
    source.videoInputs = [] { return QList<CaptureDevice>{kDevice}; };
    source.audioInputs = audio;
    RecordModel::setDeviceSource(source);
    VideoRecorderCore::shared().setCameraFactory(
        []() -> std::unique_ptr<CameraCapture> { return std::make_unique<PatternCamera>(); });
}

} // namespace qn
