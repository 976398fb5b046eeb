#pragma once
#include <QRectF>
#include <QString>
#include <QUuid>
#include <optional>

namespace qn {

// One on-screen window as the window list reports it. Bounds are global, in
// logical pixels, top-left origin.
struct Window {
    QUuid id = QUuid::createUuid();
    std::optional<QString> owner;
    std::optional<QString> title;
    std::optional<QRectF> bounds;
    bool operator==(const Window &other) const { return id == other.id; }
};

} // namespace qn
