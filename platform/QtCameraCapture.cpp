#include "platform/CameraCapture.h"
#include "platform/VideoInputs.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPointer>
#include <QVideoFrame>
#include <QVideoSink>

namespace qn {

namespace {

QString cameraName(const QString &deviceId) {
    for (const VideoInput &input : listVideoInputs())
        if (input.id == deviceId)
            return input.description;
    return {};
}

class QtCameraCapture final : public CameraCapture {
public:
    ~QtCameraCapture() override { stop(); }

    bool start(const QString &deviceId, FrameHandler onFrame) override {
        stop();
        // The list the user chose from comes from the kernel (device node and driver
        // name); the media framework may name the same camera otherwise.
        QCameraDevice device;
        const QList<QCameraDevice> candidates = QMediaDevices::videoInputs();
        for (const QCameraDevice &candidate : candidates)
            if (QString::fromUtf8(candidate.id()) == deviceId)
                device = candidate;
        if (device.isNull()) {
            const QString name = cameraName(deviceId);
            for (const QCameraDevice &candidate : candidates)
                if (device.isNull() && !name.isEmpty() && candidate.description() == name)
                    device = candidate;
        }
        if (device.isNull())
            return false;
        m_camera = std::make_unique<QCamera>(device);
        m_session = std::make_unique<QMediaCaptureSession>();
        m_sink = std::make_unique<QVideoSink>();
        m_session->setCamera(m_camera.get());
        m_session->setVideoSink(m_sink.get());
        QObject::connect(m_sink.get(), &QVideoSink::videoFrameChanged, m_sink.get(),
                         [onFrame](const QVideoFrame &frame) {
                             const QImage image = frame.toImage();
                             if (!image.isNull())
                                 onFrame(image);
                         });
        m_camera->start();
        if (m_camera->error() != QCamera::NoError) {
            stop();
            return false;
        }
        return true;
    }

    void stop() override {
        if (m_camera)
            m_camera->stop();
        m_session.reset();
        m_sink.reset();
        m_camera.reset();
    }

    bool isRunning() const override { return m_camera != nullptr; }

private:
    std::unique_ptr<QCamera> m_camera;
    std::unique_ptr<QMediaCaptureSession> m_session;
    std::unique_ptr<QVideoSink> m_sink;
};

} // namespace

std::unique_ptr<CameraCapture> CameraCapture::createQt() { return std::make_unique<QtCameraCapture>(); }

} // namespace qn
