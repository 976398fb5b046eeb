#pragma once
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

namespace qn {

// A running camera delivering pictures. Frames arrive on the GUI thread.
class CameraCapture {
public:
    using FrameHandler = std::function<void(const QImage &)>;
    virtual ~CameraCapture() = default;
    // False when the device cannot be opened.
    virtual bool start(const QString &deviceId, FrameHandler onFrame) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;

    // Qt Multimedia's camera with a video sink.
    static std::unique_ptr<CameraCapture> createQt();
};

} // namespace qn
