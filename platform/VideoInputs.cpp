#include "platform/VideoInputs.h"

#include <QCollator>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qn {

namespace {
// The device's name when it captures video (a node may also be a metadata or output
// node of the same camera), none otherwise.
QString captureDeviceName(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    v4l2_capability caps{};
    int result;
    do {
        result = ::ioctl(fd, VIDIOC_QUERYCAP, &caps);
    } while (result < 0 && errno == EINTR);
    ::close(fd);
    if (result < 0)
        return {};
    const quint32 nodeCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(nodeCaps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)))
        return {};
    const auto *card = reinterpret_cast<const char *>(caps.card);
    const QString name = QString::fromUtf8(card, int(strnlen(card, sizeof caps.card))).trimmed();
    return name.isEmpty() ? path : name;
}
} // namespace

QList<VideoInput> listVideoInputsIn(const QString &folder) {
    QStringList nodes = QDir(folder).entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(nodes.begin(), nodes.end(), numeric);
    QList<VideoInput> out;
    for (const QString &node : nodes) {
        const QString path = folder + QLatin1Char('/') + node;
        const QString name = captureDeviceName(path);
        if (!name.isEmpty())
            out.append({path, name});
    }
    return out;
}

QList<VideoInput> listVideoInputs() { return listVideoInputsIn(QStringLiteral("/dev")); }

} // namespace qn
