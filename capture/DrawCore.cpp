#include "capture/DrawCore.h"

#include <cstdio>

namespace qn {

DrawCore &DrawCore::shared() {
    static DrawCore core;
    return core;
}

DrawCore::DrawCore(QObject *parent) : QObject(parent) {}

void DrawCore::createDrawController() {
    std::printf("capture: createDrawController\n");
    std::fflush(stdout);
}

void DrawCore::saveImageData(const QByteArray &) {}
void DrawCore::undo() {}
void DrawCore::redo() {}

} // namespace qn
