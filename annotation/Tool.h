#pragma once
#include <QMetaType>
#include <QString>
#include <optional>

namespace qn {

// The editor's tool kinds, in declaration order.
enum class Tool { Pointer, Point, Text, Pen, Arrow, Line, Rectangle, Oval, Blur, Video };

QString toolRawValue(Tool tool);
// Exactly the ten raw texts, case-sensitive.
std::optional<Tool> toolFromRawValue(const QString &raw);
// Arrow, line, rectangle and oval: choosing one also makes it the quick tool.
bool isQuickTool(Tool tool);

} // namespace qn
Q_DECLARE_METATYPE(qn::Tool)
