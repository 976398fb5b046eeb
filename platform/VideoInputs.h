#pragma once
#include <QList>
#include <QString>

namespace qn {

// A camera the system offers: its device node and the name the driver gives it.
struct VideoInput {
    QString id;
    QString description;
};

// The cameras (V4L2 capture devices) present now, read from the kernel directly. The
// list is refreshed often, also when nothing records, and reading it through Qt
// Multimedia would start its whole media framework for that alone.
QList<VideoInput> listVideoInputs();
// The same for the device nodes "video*" in `folder`, in number order.
QList<VideoInput> listVideoInputsIn(const QString &folder);

} // namespace qn
