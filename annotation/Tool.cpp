#include "annotation/Tool.h"

#include <array>
#include <utility>

namespace qn {

namespace {
constexpr std::array<std::pair<Tool, const char *>, 10> kRaw{{
    {Tool::Pointer, "pointer"},
    {Tool::Point, "point"},
    {Tool::Text, "text"},
    {Tool::Pen, "pen"},
    {Tool::Arrow, "arrow"},
    {Tool::Line, "line"},
    {Tool::Rectangle, "rectangle"},
    {Tool::Oval, "oval"},
    {Tool::Blur, "blur"},
    {Tool::Video, "video"},
}};
} // namespace

QString toolRawValue(Tool tool) {
    for (const auto &[t, raw] : kRaw)
        if (t == tool)
            return QString::fromLatin1(raw);
    return QStringLiteral("pointer");
}

std::optional<Tool> toolFromRawValue(const QString &raw) {
    for (const auto &[t, text] : kRaw)
        if (raw == QLatin1String(text))
            return t;
    return std::nullopt;
}

bool isQuickTool(Tool tool) {
    return tool == Tool::Arrow || tool == Tool::Line || tool == Tool::Rectangle || tool == Tool::Oval;
}

} // namespace qn
